#include "meter/desktop/tray/TrayTipText.h"

#include "common/TextConventions.h"

#include <QStringEncoder>

QString CutToTrayTip(const QString& text) {
    QStringEncoder gbk("GBK");
    // Without a GBK codec the UTF-8 length is a safe overestimate for CJK text.
    QStringEncoder encoder = gbk.isValid() ? std::move(gbk) : QStringEncoder(QStringEncoder::Utf8);

    qsizetype bytes = 0;
    qsizetype kept = 0;
    while (kept < text.size()) {
        // A surrogate pair is one character: it stays or goes whole.
        const qsizetype width = (text.at(kept).isHighSurrogate() && kept + 1 < text.size() &&
                                 text.at(kept + 1).isLowSurrogate())
                                    ? 2
                                    : 1;
        const QByteArray encoded = encoder.encode(QStringView(text).mid(kept, width));
        if (bytes + encoded.size() > TrayTipBytes)
            break;
        bytes += encoded.size();
        kept += width;
    }
    return text.left(kept);
}

QString BuildTrayTip(const MeterFigures& figures, bool linked, const QDateTime& now) {
    const QString head = figures.TitLb + QStringLiteral(" - 作者:Tavi");
    if (linked)
        return head + QStringLiteral(" 计划时间剩余:") + figures.Label5;
    return head + QLatin1Char(' ') + FormatPattern(now, QStringLiteral("YYYY年M月D日 H:MM:SS"));
}

QString WithUnsentLine(const QString& tip, int unsent) {
    if (unsent <= 0)
        return tip;
    return QStringLiteral("未上传: %1").arg(unsent) + QLatin1Char('\n') + tip;
}
