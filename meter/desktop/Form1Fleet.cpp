// Fleet mode: the meter's saves go on to the shared server from a worker thread; the window
// only starts it, wakes it after saves and shows what waits in the tray tip.
#include "common/DataFolder.h"
#include "common/StoreError.h"
#include "common/fleet/FleetTransport.h"
#include "meter/desktop/Form1.h"
#include "meter/fleet/FleetAccountCache.h"
#include "meter/fleet/FleetLocalSchema.h"
#include "meter/fleet/FleetUploaderThread.h"

#include <QDebug>

void Form1::startFleet() {
    if (m_fleet || m_unloaded || !m_fleetConfig.enabled() || !m_services.fleetTransport ||
        !m_store.isOpen())
        return;
    try {
        // Local and quick: the tables and triggers in place before the first save.
        FleetLocalSchema::ensure(m_store);
    } catch (const StoreError& error) {
        qWarning().noquote() << QStringLiteral(
                                    "Dialtoll: fleet mode is off for this run, the store "
                                    "cannot take its outbox: %1")
                                    .arg(error.message());
        return;
    }
    std::unique_ptr<FleetTransport> transport = m_services.fleetTransport(m_fleetConfig);
    if (!transport)
        return;
    m_fleet = std::make_unique<FleetUploaderThread>(
        DataFilePath(m_services.dataFolder, Store::FileName), std::move(transport),
        m_services.clock, m_fleetConfig.pcName, FleetAccountCache::refreshHook());
    connect(m_fleet.get(), &FleetUploaderThread::pendingChanged, this, [this](int count) {
        m_unsent = count;
        updateTrayTip();
    });
    connect(&m_engine, &MeterEngine::savesWritten, m_fleet.get(), &FleetUploaderThread::wake);
}

void Form1::stopFleet() {
    if (!m_fleet)
        return;
    m_fleet->stop();
    m_fleet.reset();
}
