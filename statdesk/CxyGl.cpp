#include "statdesk/CxyGl.h"

#include "common/DataFolder.h"
#include "common/StoreProblem.h"
#include "common/StoreStatements.h"
#include "common/TextConventions.h"
#include "platform/DialogKeys.h"
#include "platform/Prompter.h"
#include "platform/linux/FileDialogChooser.h"
#include "statdesk/AccountList.h"
#include "statdesk/CsvFile.h"
#include "statdesk/DefaultGridPrinter.h"
#include "statdesk/GroupTableModel.h"
#include "statdesk/ListingPrinter.h"
#include "statdesk/PgServerSessionSource.h"
#include "statdesk/QueryError.h"
#include "statdesk/QueryRange.h"
#include "statdesk/ServerQueryRunner.h"
#include "statdesk/SessionEraser.h"
#include "statdesk/SessionGrouping.h"
#include "statdesk/SessionReader.h"
#include "statdesk/SessionTableModel.h"
#include "statdesk/SessionText.h"
#include "statdesk/StarPasswordStyle.h"
#include "statdesk/StatChart.h"
#include "statdesk/ViewerStoreOpening.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QStandardPaths>
#include <QSysInfo>
#include <QTableView>
#include <QToolBar>
#include <QVBoxLayout>
#include <algorithm>

namespace {

const QString Everyone = QStringLiteral("所有人");
constexpr int TwipsPerPixel = 15;
const QString MasterName = QStringLiteral("Master");
const QString ServerRowsKept =
    QStringLiteral("“全部电脑”列出的是服务器上的记录，只能查看。要删除记录，请在记录它的电脑上"
                   "选择“本机”后删除。");

int Pixels(int twips) {
    return qRound(double(twips) / TwipsPerPixel);
}

QComboBox* EditableCombo(const char* name, QWidget* parent) {
    auto* box = new QComboBox(parent);
    box->setObjectName(QLatin1String(name));
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    return box;
}

QLabel* Label(const char* name, const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    return label;
}

QPushButton* Button(const char* name, const QString& text, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QLatin1String(name));
    button->setAutoDefault(false);
    return button;
}

void FillNumbers(QComboBox* box, int from, int to) {
    for (int n = from; n <= to; ++n)
        box->addItem(QString::number(n));
}

} // namespace

CxyGl::CxyGl(Prompter& prompter, QString dataFolder, std::unique_ptr<GridPrinter> printer,
             std::unique_ptr<FileChooser> files, std::shared_ptr<ServerSessionSource> server,
             QWidget* parent)
    : QWidget(parent), m_prompter(prompter), m_dataFolder(std::move(dataFolder)),
      m_fleet(FleetConfig::load(m_dataFolder)),
      m_printer(printer ? std::move(printer) : std::make_unique<DefaultGridPrinter>()),
      m_files(files ? std::move(files) : std::make_unique<FileDialogChooser>()) {
    setObjectName(QStringLiteral("CxyGl"));
    setWindowTitle(QStringLiteral("Dialtoll统计Statdesk"));
    if (m_fleet.enabled()) {
        m_pcName = m_fleet.pcName;
        if (m_pcName.isEmpty())
            m_pcName = QSysInfo::machineHostName();
        if (m_pcName.isEmpty())
            m_pcName = QStringLiteral("本机");
        if (!server)
            server = std::make_shared<PgServerSessionSource>(m_fleet.administratorConnection());
    }
    buildControls(std::move(server));
    resize(Pixels(10800), Pixels(6600));
    placeControls();
}

CxyGl::~CxyGl() = default;

void CxyGl::buildControls(std::shared_ptr<ServerSessionSource> server) {
    m_controls = new QWidget(this);
    auto* rows = new QVBoxLayout(m_controls);
    rows->setContentsMargins(6, 6, 6, 4);
    rows->setSpacing(4);

    auto* first = new QHBoxLayout;
    first->addWidget(Label("Label1", QStringLiteral("用户:"), m_controls));
    m_cb1 = EditableCombo("Cb1", m_controls);
    m_cb1->setMinimumContentsLength(10);
    first->addWidget(m_cb1);
    auto* command1 = Button("Command1", QStringLiteral("查看"), m_controls);
    auto* command4 = Button("Command4", QStringLiteral("打印"), m_controls);
    auto* command2 = Button("Command2", QStringLiteral("复制(&C)"), m_controls);
    auto* command3 = Button("Command3", QStringLiteral("删除(&D)"), m_controls);
    m_command1 = command1;
    m_command3 = command3;
    m_cmdExport = Button("cmdExport", QStringLiteral("导出(&E)"), m_controls);
    first->addWidget(command1);
    first->addWidget(command4);
    first->addSpacing(12);
    first->addWidget(command2);
    first->addWidget(command3);
    first->addWidget(m_cmdExport);
    first->addSpacing(12);
    first->addWidget(Label("Label10", QStringLiteral("管理员密码"), m_controls));
    m_text1 = new QLineEdit(m_controls);
    m_text1->setObjectName(QStringLiteral("Text1"));
    m_text1->setEchoMode(QLineEdit::Password);
    auto* stars = new StarPasswordStyle;
    stars->setParent(m_text1);
    m_text1->setStyle(stars);
    m_text1->setMaximumWidth(Pixels(1500));
    first->addWidget(m_text1);
    first->addStretch();
    rows->addLayout(first);

    auto* second = new QHBoxLayout;
    second->addWidget(Label("Label2", QStringLiteral("统计日期:"), m_controls));
    const auto dateBox = [&](const char* name, const char* labelName, const QString& unit) {
        auto* box = EditableCombo(name, m_controls);
        box->setMinimumContentsLength(4);
        second->addWidget(box);
        second->addWidget(Label(labelName, unit, m_controls));
        return box;
    };
    m_cb2 = dateBox("Cb2", "Label3", QStringLiteral("年"));
    m_cb3 = dateBox("Cb3", "Label4", QStringLiteral("月"));
    m_cb4 = dateBox("Cb4", "Label6", QStringLiteral("日"));
    second->addWidget(Label("Label5", QStringLiteral("至:"), m_controls));
    m_cb5 = dateBox("Cb5", "Label7", QStringLiteral("年"));
    m_cb6 = dateBox("Cb6", "Label8", QStringLiteral("月"));
    m_cb7 = dateBox("Cb7", "Label9", QStringLiteral("日"));
    second->addStretch();
    rows->addLayout(second);

    // How the listing is shown and what else can be made of it, on a row of its own.
    auto* third = new QHBoxLayout;
    // Fleet mode: where the sessions come from, on this row, where there is room for it.
    if (m_fleet.enabled()) {
        auto* sourceLabel = Label("lblSource", QStringLiteral("来源(&S):"), m_controls);
        m_source = new QComboBox(m_controls);
        m_source->setObjectName(QStringLiteral("Source"));
        m_source->addItems({QStringLiteral("本机"), QStringLiteral("全部电脑")});
        sourceLabel->setBuddy(m_source);
        third->addWidget(sourceLabel);
        third->addWidget(m_source);
        third->addSpacing(12);
        m_server = new ServerQueryRunner(std::move(server), this);
    }
    auto* viewLabel = Label("lblView", QStringLiteral("显示(&G):"), m_controls);
    m_cbView = new QComboBox(m_controls);
    m_cbView->setObjectName(QStringLiteral("cbView"));
    m_cbView->addItems({QStringLiteral("明细"), QStringLiteral("按日"), QStringLiteral("按月")});
    viewLabel->setBuddy(m_cbView);
    m_cmdChart = Button("cmdChart", QStringLiteral("图表(&T)"), m_controls);
    m_cmdPreview = Button("cmdPreview", QStringLiteral("打印预览(&P)"), m_controls);
    third->addWidget(viewLabel);
    third->addWidget(m_cbView);
    third->addSpacing(12);
    third->addWidget(m_cmdChart);
    third->addWidget(m_cmdPreview);
    if (m_fleet.enabled()) {
        m_busy = Label("lblBusy", QStringLiteral("正在读取服务器上的记录……"), m_controls);
        m_busy->hide();
        third->addSpacing(12);
        third->addWidget(m_busy);
    }
    third->addStretch();
    rows->addLayout(third);

    m_model = new SessionTableModel(this);
    m_model->setPcColumn(m_fleet.enabled());
    m_groupModel = new GroupTableModel(this);
    m_grid = new QTableView(this);
    m_grid->setObjectName(QStringLiteral("Mf1"));
    m_grid->setModel(m_model);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setSelectionMode(QAbstractItemView::ContiguousSelection);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setWordWrap(false);
    m_grid->setTabKeyNavigation(false);
    m_grid->verticalHeader()->hide();
    // One fixed height for every row keeps a long listing cheap to lay out.
    m_grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_grid->verticalHeader()->setDefaultSectionSize(m_grid->fontMetrics().height() + 6);
    m_grid->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_grid->horizontalHeader()->setHighlightSections(false);
    // A click on a column header sorts by it; the totals row stays last.
    m_grid->horizontalHeader()->setSectionsClickable(true);
    m_grid->horizontalHeader()->setSortIndicatorShown(true);
    clearSortIndicator();
    setColumnWidths({600, 1200, 2100, 2100, 1000});

    // Return and Enter on a focused button press it.
    new DialogKeys(this);

    connect(command1, &QPushButton::clicked, this, &CxyGl::Command1_Click);
    connect(command2, &QPushButton::clicked, this, &CxyGl::Command2_Click);
    connect(command3, &QPushButton::clicked, this, &CxyGl::Command3_Click);
    connect(command4, &QPushButton::clicked, this, &CxyGl::Command4_Click);
    connect(m_cmdExport, &QPushButton::clicked, this, &CxyGl::Export_Click);
    connect(m_cmdPreview, &QPushButton::clicked, this, &CxyGl::Preview_Click);
    connect(m_cmdChart, &QPushButton::clicked, this, &CxyGl::Chart_Click);
    connect(m_cbView, &QComboBox::currentIndexChanged, this,
            [this](int index) { setView(View(index)); });
    if (m_source)
        connect(m_source, &QComboBox::currentIndexChanged, this, &CxyGl::sourceChanged);
    connect(m_grid->horizontalHeader(), &QHeaderView::sortIndicatorChanged, this,
            &CxyGl::sortListing);
    const auto clickIfEnabled = [](QPushButton* button) {
        if (button->isEnabled())
            button->click();
    };
    connect(new QShortcut(QKeySequence::Save, this), &QShortcut::activated, this,
            [this, clickIfEnabled] { clickIfEnabled(m_cmdExport); });
    connect(new QShortcut(QKeySequence::Print, this), &QShortcut::activated, this,
            [this, clickIfEnabled] { clickIfEnabled(m_cmdPreview); });
    connect(m_grid->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &CxyGl::trackSelection);
    connect(m_grid->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &CxyGl::trackSelection);
    connect(m_model, &QAbstractItemModel::modelReset, this, &CxyGl::trackSelection);
    connect(m_groupModel, &QAbstractItemModel::modelReset, this, &CxyGl::trackSelection);
    // Nothing to export, preview or chart before the first listing.
    for (QPushButton* button : {m_cmdExport, m_cmdPreview, m_cmdChart})
        button->setEnabled(false);
}

void CxyGl::setColumnWidths(std::initializer_list<int> twips) {
    // The widths were drawn for a narrow Song face; the Chinese fonts of Linux desktops are
    // wider, so the two date columns grow to hold a full date and time rather than clip it.
    const int dateTimeWidth =
        m_grid->fontMetrics().horizontalAdvance(QStringLiteral("0000年00月00日 00:00:00")) + 12;
    // The widths are those of the columns without the PC column, in their order.
    int logical = SessionTableModel::Number;
    for (const int width : twips) {
        const auto column = SessionTableModel::Column(logical++);
        const bool dateColumn =
            column == SessionTableModel::Start || column == SessionTableModel::End;
        m_grid->setColumnWidth(m_model->columnOf(column),
                               dateColumn ? std::max(Pixels(width), dateTimeWidth) : Pixels(width));
    }
    // The remaining columns are as wide as their header text.
    for (; logical <= SessionTableModel::Count; ++logical) {
        const int column = m_model->columnOf(SessionTableModel::Column(logical));
        m_grid->setColumnWidth(column, m_grid->horizontalHeader()->sectionSizeHint(column));
    }
    // The PC column holds the longest name listed, within reason.
    const int pcColumn = m_model->columnOf(SessionTableModel::Pc);
    if (pcColumn >= 0) {
        int width = std::max(Pixels(1200), m_grid->horizontalHeader()->sectionSizeHint(pcColumn));
        for (const QString& name : m_model->pcNames())
            width = std::max(width, m_grid->fontMetrics().horizontalAdvance(name) + 12);
        m_grid->setColumnWidth(pcColumn, std::min(width, Pixels(3000)));
    }
}

void CxyGl::Form_Load() {
    const int year = QDate::currentDate().year();
    const int month = QDate::currentDate().month();
    for (QComboBox* box : {m_cb2, m_cb5}) {
        FillNumbers(box, 2000, year + 10);
        box->setCurrentText(QString::number(year));
    }
    for (QComboBox* box : {m_cb3, m_cb6}) {
        FillNumbers(box, 1, 12);
        box->setCurrentText(QString::number(month));
    }
    FillNumbers(m_cb4, 1, 31);
    FillNumbers(m_cb7, 1, 31);
    m_cb4->setCurrentText(QStringLiteral("1"));
    m_cb7->setCurrentText(QStringLiteral("31"));

    const QString path = DataFilePath(m_dataFolder, Store::FileName);
    if (!QFileInfo::exists(path)) {
        m_prompter.error(QStringLiteral("数据为空！无法查询。"));
        return;
    }
    if (!OpenStoreForViewing(m_store, path)) {
        m_prompter.error(StoreProblem::describe(path, m_store.lastError()));
        return;
    }
    loadUsers();
}

void CxyGl::reportStoreProblem(const QString& storeMessage) {
    m_prompter.error(
        StoreProblem::describe(DataFilePath(m_dataFolder, Store::FileName), storeMessage));
}

void CxyGl::loadUsers() {
    StoreQuery users = m_store.query(StoreStatements::AllUsers);
    if (!users.isValid()) {
        reportStoreProblem(m_store.lastError());
        return;
    }
    m_cb1->addItem(Everyone);
    bool anyUser = false;
    while (users.next()) {
        anyUser = true;
        const QVariant name = users.value(QStringLiteral("User"));
        // The program's own comparison is exact: "master" is listed, "Master" is not.
        if (!name.isNull() && name.toString() != MasterName)
            m_cb1->addItem(name.toString());
    }
    if (!users.error().isEmpty()) {
        reportStoreProblem(users.error());
        return;
    }
    if (!anyUser) {
        m_cb1->setCurrentIndex(-1);
        m_cb1->setEditText(QString());
        return;
    }
    m_cb1->setCurrentText(Everyone);

    StoreQuery master = m_store.query(StoreStatements::MasterUser);
    while (master.next()) {
        m_hasAdministrator = true;
        m_administratorPassword = master.value(QStringLiteral("Password")).toString();
    }
    if (!master.isValid() || !master.error().isEmpty()) {
        m_hasAdministrator = false;
        reportStoreProblem(master.isValid() ? master.error() : m_store.lastError());
        return;
    }
    if (!m_hasAdministrator)
        m_prompter.error(QStringLiteral("无管理员！"));
}

void CxyGl::Command1_Click() {
    try {
        m_cb4->setEditText(QueryRange::clampedDay(m_cb2->currentText(), m_cb3->currentText(),
                                                  m_cb4->currentText()));
        m_cb7->setEditText(QueryRange::clampedDay(m_cb5->currentText(), m_cb6->currentText(),
                                                  m_cb7->currentText()));
        const qint64 from =
            QueryRange::bound(m_cb2->currentText(), m_cb3->currentText(), m_cb4->currentText());
        const qint64 to =
            QueryRange::bound(m_cb5->currentText(), m_cb6->currentText(), m_cb7->currentText());
        const ListingScope scope{m_cb1->currentText(), from, to, source() == AllPcs};
        if (scope.allPcs) {
            queryServer(scope);
            return;
        }
        SessionReader reader;
        reader.read(m_store,
                    scope.user == Everyone ? std::nullopt : std::optional<QString>(scope.user),
                    from, to);
        SessionListing found{reader.takeRows(), reader.takeUsers(), {}};
        // Every row is this PC's: index 0.
        if (m_fleet.enabled())
            found.pcs << m_pcName;
        showFound(scope, std::move(found), false);
    } catch (const QueryError& error) {
        m_prompter.error(error.text());
    }
}

void CxyGl::showFound(const ListingScope& scope, SessionListing found, bool fromServer) {
    if (found.rows.empty()) {
        m_prompter.information(
            QStringLiteral("用户：“%1”指定时期段的统计信息未找到。").arg(scope.user));
        return;
    }
    m_model->setSessions(std::move(found));
    m_scope = scope;
    m_listingFromServer = fromServer;
    clearSortIndicator();
    fitGrid();
    listingChanged();
    updateDeleteControl();
}

void CxyGl::queryServer(const ListingScope& scope) {
    setReadingServer(true);
    m_server->start(scope.user == Everyone ? std::nullopt : std::optional<QString>(scope.user),
                    scope.from, scope.to, [this, scope](ServerQueryRunner::Outcome outcome) {
                        setReadingServer(false);
                        if (!outcome.listing) {
                            const QString lead = outcome.error.kind == ServerReadError::Unreachable
                                                     ? QStringLiteral("无法连接服务器：")
                                                     : QStringLiteral("读取服务器上的记录失败：");
                            m_prompter.error(lead + outcome.error.message);
                            return;
                        }
                        showFound(scope, std::move(*outcome.listing), true);
                    });
}

bool CxyGl::isReadingServer() const {
    return m_server && m_server->isBusy();
}

void CxyGl::setReadingServer(bool reading) {
    if (!m_busy)
        return;
    m_busy->setVisible(reading);
    // The source box stays free: choosing this PC again does not wait for the server.
    m_command1->setEnabled(!reading);
    if (reading)
        m_grid->setCursor(Qt::BusyCursor);
    else
        m_grid->unsetCursor();
}

CxyGl::Source CxyGl::source() const {
    return m_source && m_source->currentIndex() == AllPcs ? AllPcs : ThisPc;
}

void CxyGl::setSource(Source source) {
    if (m_source)
        m_source->setCurrentIndex(int(source));
}

void CxyGl::sourceChanged() {
    // Whatever the other source was reading no longer matters; its rows leave the grid.
    m_server->forget();
    setReadingServer(false);
    m_model->clear();
    m_scope.reset();
    m_listingFromServer = false;
    listingChanged();
    updateDeleteControl();
    Command1_Click();
}

bool CxyGl::serverInvolved() const {
    return m_listingFromServer || source() == AllPcs;
}

void CxyGl::updateDeleteControl() {
    m_command3->setEnabled(view() == Detail && !serverInvolved());
    m_command3->setToolTip(serverInvolved() ? ServerRowsKept : QString());
}

void CxyGl::selectRows(int row, int rowSel) {
    QItemSelectionModel* selection = m_grid->selectionModel();
    const ListingModel& model = listing();
    if (row < 0 || rowSel < 0 || row >= model.rowCount() || rowSel >= model.rowCount()) {
        selection->clear();
        return;
    }
    const int top = std::min(row, rowSel);
    const int bottom = std::max(row, rowSel);
    selection->setCurrentIndex(model.index(rowSel, 1), QItemSelectionModel::NoUpdate);
    selection->select(
        QItemSelection(model.index(top, 0), model.index(bottom, model.columnCount() - 1)),
        QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void CxyGl::trackSelection() {
    const QModelIndex current = m_grid->selectionModel()->currentIndex();
    const int currentRow = current.isValid() ? current.row() : -1;
    int top = -1;
    int bottom = -1;
    for (const QItemSelectionRange& range : m_grid->selectionModel()->selection()) {
        top = top < 0 ? range.top() : std::min(top, range.top());
        bottom = std::max(bottom, range.bottom());
    }
    if (top < 0) {
        m_row = m_rowSel = currentRow;
    } else if (currentRow == top && top != bottom) {
        // Selected from the bottom up: the block began at its bottom.
        m_row = bottom;
        m_rowSel = top;
    } else {
        m_row = top;
        m_rowSel = bottom;
    }
}

void CxyGl::Command2_Click() {
    const QString text = m_row < 0 ? QString() : listing().copyText(m_row, m_rowSel);
    auto* data = new QMimeData;
    data->setText(text);
    data->setImageData(gridPicture());
    QApplication::clipboard()->setMimeData(data);
}

void CxyGl::Command3_Click() {
    if (serverInvolved()) {
        m_prompter.error(ServerRowsKept);
        return;
    }
    if (m_store.isReadOnly()) {
        m_prompter.error(QStringLiteral("数据库文件所在的文件夹是只读的，只能查看，无法删除记录。"
                                        "请让该文件夹可写后再删除。"));
        return;
    }
    // Groups are never deleted whole: deleting works on the sessions' own listing only.
    if (&listing() != m_model)
        return;
    if (!m_hasAdministrator) {
        m_prompter.error(QStringLiteral("没有管理员帐号，无法删除数据！"));
        return;
    }
    if (m_text1->text() != m_administratorPassword) {
        m_prompter.error(QStringLiteral("管理员密码错误，无法删除数据！"));
        return;
    }
    if (!m_prompter.question(QStringLiteral("确实要删除这些记录吗？")))
        return;
    if (m_row < 0)
        return;
    SessionEraser eraser;
    eraser.erase(m_store, *m_model, m_row, m_rowSel);
    m_model->removeSessions(eraser.removed());
    trackSelection();
    updateChart();
    if (!eraser.failures().isEmpty())
        m_prompter.error(eraser.failureMessage());
}

void CxyGl::Command4_Click() {
    const QString fault = m_printer->print(gridPicture());
    if (!fault.isEmpty())
        m_prompter.error(fault);
}

QImage CxyGl::gridPicture() {
    return m_grid->grab().toImage();
}

QString CxyGl::GetTmF(const QString& seconds) const {
    return SessionText::duration(NumberFromText(seconds));
}

QString CxyGl::GetDate(const QString& text) const {
    return SessionText::date(text);
}

void CxyGl::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    placeControls();
}

void CxyGl::placeControls() {
    m_controls->setGeometry(0, 0, width(), m_controls->sizeHint().height());
    // The grid sits below all other controls.
    if (m_grid->y() < m_controls->height())
        m_grid->move(0, m_controls->height());
    fitGrid();
}

void CxyGl::closeEvent(QCloseEvent* event) {
    // The chart belongs to this window: it must not keep the program running alone.
    if (m_chart)
        m_chart->close();
    QWidget::closeEvent(event);
}

void CxyGl::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    // An account registered while the window was in the background shows up on return.
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        refreshAccounts();
}

void CxyGl::fitGrid() {
    if (isMinimized())
        return;
    const int top = m_grid->y();
    m_grid->setGeometry(0, top, width(), std::max(0, height() - top));
}

ListingModel& CxyGl::listing() const {
    return m_grid->model() == m_groupModel ? static_cast<ListingModel&>(*m_groupModel)
                                           : static_cast<ListingModel&>(*m_model);
}

CxyGl::View CxyGl::view() const {
    return View(std::max(0, m_cbView->currentIndex()));
}

void CxyGl::setView(View view) {
    if (m_cbView->currentIndex() != int(view)) {
        // The box's signal comes back here.
        m_cbView->setCurrentIndex(int(view));
        return;
    }
    if (view != Detail)
        regroup();
    showListing(view == Detail ? static_cast<ListingModel*>(m_model) : m_groupModel);
    updateDeleteControl();
    updateChart();
}

void CxyGl::regroup() {
    const GroupPeriod period = view() == ByMonth ? GroupPeriod::Month : GroupPeriod::Day;
    if (m_model->isListed())
        m_groupModel->setGroups(SessionGrouping::group(m_model->sessions(), period), period);
    else
        m_groupModel->clear(period);
}

void CxyGl::showListing(ListingModel* model) {
    if (m_grid->model() != model) {
        QItemSelectionModel* old = m_grid->selectionModel();
        m_grid->setModel(model);
        // The view makes a new selection model for the new listing; the old one is ours to drop.
        delete old;
        connect(m_grid->selectionModel(), &QItemSelectionModel::selectionChanged, this,
                &CxyGl::trackSelection);
        connect(m_grid->selectionModel(), &QItemSelectionModel::currentChanged, this,
                &CxyGl::trackSelection);
    }
    clearSortIndicator();
    setListingWidths();
    // The totals row is current, as the listing ends there.
    const int totals = model->rowCount() - 1;
    selectRows(totals, totals);
    trackSelection();
}

void CxyGl::setListingWidths() {
    if (&listing() == m_model) {
        if (m_model->isListed())
            setColumnWidths({600, 1200, 2200, 2200, 1300, 1200});
        else
            setColumnWidths({600, 1200, 2100, 2100, 1000});
        return;
    }
    const int twips[] = {600, 1900, 1100, 1300, 1500};
    for (int column = 0; column < GroupTableModel::ColumnCount; ++column)
        m_grid->setColumnWidth(column, Pixels(twips[column]));
}

void CxyGl::listingChanged() {
    if (view() != Detail)
        regroup();
    showListing(&listing());
    for (QPushButton* button : {m_cmdExport, m_cmdPreview, m_cmdChart})
        button->setEnabled(m_scope.has_value());
    updateChart();
}

void CxyGl::clearSortIndicator() {
    QHeaderView* header = m_grid->horizontalHeader();
    const QSignalBlocker quiet(header);
    header->setSortIndicator(-1, Qt::AscendingOrder);
}

void CxyGl::sortListing(int column, Qt::SortOrder order) {
    if (column < 0)
        return;
    listing().sort(column, order);
    // A block selected before no longer holds the same rows: start again from the totals row.
    const int totals = listing().rowCount() - 1;
    selectRows(totals, totals);
    trackSelection();
}

QString CxyGl::suggestedFile() const {
    QString folder = m_saveFolder;
    if (folder.isEmpty())
        folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        folder = QDir::homePath();
    QString stem = m_scope ? m_scope->fileStem() : QStringLiteral("Dialtoll统计");
    if (view() == ByDay)
        stem += QStringLiteral("_按日");
    else if (view() == ByMonth)
        stem += QStringLiteral("_按月");
    return QDir(folder).filePath(stem);
}

void CxyGl::rememberFolder(const QString& path) {
    m_saveFolder = QFileInfo(path).absolutePath();
}

void CxyGl::Export_Click() {
    if (!m_scope)
        return;
    const QString path = m_files->saveFileName(
        this, QStringLiteral("导出"), suggestedFile() + QStringLiteral(".csv"),
        QStringLiteral("CSV 文件 (*.csv)"), QStringLiteral("csv"));
    if (path.isEmpty())
        return;
    rememberFolder(path);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const QString fault = exportTo(path);
    QApplication::restoreOverrideCursor();
    if (!fault.isEmpty())
        m_prompter.error(QStringLiteral("导出失败，文件没有保存：%1\n%2")
                             .arg(QDir::toNativeSeparators(path), fault));
}

QString CxyGl::exportTo(const QString& path) {
    const ListingModel& shown = listing();
    return CsvFile::save(path, [&shown](CsvWriter& out) { shown.writeCsv(out); });
}

int CxyGl::printListing(QPagedPaintDevice& device) {
    return ListingPrinter(listing(), columnWidths(), printTitle()).print(device);
}

QString CxyGl::savePdf(const QString& path) {
    return ListingPrinter(listing(), columnWidths(), printTitle()).savePdf(path);
}

QList<int> CxyGl::columnWidths() const {
    QList<int> widths;
    for (int column = 0; column < listing().columnCount(); ++column)
        widths << m_grid->columnWidth(column);
    return widths;
}

QString CxyGl::printTitle() const {
    const QString viewName = m_cbView->currentText();
    return QStringLiteral("Dialtoll统计　") + (m_scope ? m_scope->caption() : QString()) +
           QStringLiteral("　") + viewName;
}

void CxyGl::Preview_Click() {
    if (!m_scope)
        return;
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(QStringLiteral("Dialtoll统计"));
    QPrintPreviewDialog preview(&printer, this);
    preview.setObjectName(QStringLiteral("PrintPreview"));
    connect(&preview, &QPrintPreviewDialog::paintRequested, this,
            [this](QPrinter* target) { printListing(*target); });
    // A PDF file straight from the preview, with or without a printer.
    if (auto* tools = preview.findChild<QToolBar*>()) {
        tools->addSeparator();
        QAction* pdf = tools->addAction(QStringLiteral("保存PDF"));
        pdf->setObjectName(QStringLiteral("actSavePdf"));
        connect(pdf, &QAction::triggered, &preview, [this, &preview] {
            const QString path = m_files->saveFileName(
                &preview, QStringLiteral("保存PDF"), suggestedFile() + QStringLiteral(".pdf"),
                QStringLiteral("PDF 文件 (*.pdf)"), QStringLiteral("pdf"));
            if (path.isEmpty())
                return;
            rememberFolder(path);
            const QString fault = savePdf(path);
            if (!fault.isEmpty())
                m_prompter.error(QStringLiteral("PDF没有保存：%1\n%2")
                                     .arg(QDir::toNativeSeparators(path), fault));
        });
    }
    preview.resize(std::max(preview.sizeHint().width(), 800), 700);
    preview.exec();
}

StatChart* CxyGl::chartWindow() const {
    return m_chart;
}

void CxyGl::Chart_Click() {
    if (!m_scope)
        return;
    if (!m_chart) {
        m_chart = new StatChart(m_prompter, *m_files, this);
        // A child window gets no place from Qt, and window managers put it in a corner: centre
        // it over this window, as a dialog is, within the screen.
        QRect place(QPoint(), m_chart->size());
        place.moveCenter(frameGeometry().center());
        if (const QScreen* screen = this->screen()) {
            const QRect free = screen->availableGeometry();
            place.moveLeft(std::clamp(place.left(), free.left(),
                                      std::max(free.left(), free.right() - place.width())));
            place.moveTop(std::clamp(place.top(), free.top(),
                                     std::max(free.top(), free.bottom() - place.height())));
        }
        m_chart->move(place.topLeft());
    }
    updateChart();
    m_chart->show();
    m_chart->raise();
    m_chart->activateWindow();
}

void CxyGl::updateChart() {
    if (!m_chart)
        return;
    // No listing (another source chosen, nothing found there yet): nothing to chart.
    if (!m_scope) {
        m_chart->setUsage({}, GroupPeriod::Day, QString(), suggestedFile());
        return;
    }
    // The chart totals as the grid does; the sessions' own listing is charted per day.
    if (view() == Detail)
        m_chart->setUsage(SessionGrouping::group(m_model->sessions(), GroupPeriod::Day),
                          GroupPeriod::Day, m_scope->caption(), suggestedFile());
    else
        m_chart->setUsage(m_groupModel->groups(), m_groupModel->period(), m_scope->caption(),
                          suggestedFile());
}

void CxyGl::comeForward() {
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}

void CxyGl::refreshAccounts() {
    const std::optional<QStringList> names = AccountList::read(m_store);
    if (!names)
        return;
    QStringList listed;
    for (int i = 1; i < m_cb1->count(); ++i)
        listed << m_cb1->itemText(i);
    if (listed == *names && m_cb1->count() > 0)
        return;
    const QString shown = m_cb1->currentText();
    const QSignalBlocker quiet(m_cb1);
    m_cb1->clear();
    m_cb1->addItem(Everyone);
    m_cb1->addItems(*names);
    m_cb1->setCurrentIndex(m_cb1->findText(shown, Qt::MatchExactly));
    m_cb1->setEditText(shown);
}
