#pragma once

#include "common/Store.h"
#include "common/fleet/FleetConfig.h"
#include "platform/FileChooser.h"
#include "statdesk/GridPrinter.h"
#include "statdesk/ListingScope.h"
#include "statdesk/SessionListing.h"

#include <QImage>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <memory>
#include <optional>

class GroupTableModel;
class ListingModel;
class Prompter;
class QComboBox;
class QLabel;
class QLineEdit;
class QPagedPaintDevice;
class QPushButton;
class QTableView;
class ServerQueryRunner;
class ServerSessionSource;
class SessionTableModel;
class StatChart;

// The statistics window: chooses a user (or everyone) and a range of start dates, lists the
// finished sessions with their totals, each on its own or totalled per day or month, and
// copies, prints or deletes the listed rows, exports them for a spreadsheet, previews the
// whole list for printing or PDF, and charts it. The database stays open while the window
// lives. In fleet mode it also lists every PC's sessions from the shared server, with a PC
// column in either listing.
class CxyGl : public QWidget {
    Q_OBJECT
public:
    // What the grid shows; the order of the view box's entries.
    enum View { Detail, ByDay, ByMonth };
    // Where the sessions come from (fleet mode only); the order of the source box's entries.
    enum Source { ThisPc, AllPcs };

    // `printer` defaults to the system's default printer, `files` to the desktop's file dialog,
    // `server` (fleet mode) to the server of fleet.ini reached with the administrator's
    // connection.
    CxyGl(Prompter& prompter, QString dataFolder, std::unique_ptr<GridPrinter> printer = nullptr,
          std::unique_ptr<FileChooser> files = nullptr,
          std::shared_ptr<ServerSessionSource> server = nullptr, QWidget* parent = nullptr);
    ~CxyGl() override;

    // Start-up: date lists, database, user list, administrator password.
    void Form_Load();

    void Command1_Click(); // 查看: run the query
    void Command2_Click(); // 复制: copy the selected rows
    void Command3_Click(); // 删除: delete the selected sessions
    void Command4_Click(); // 打印: print the grid
    void Export_Click();   // 导出: the listing as shown to a CSV file
    void Preview_Click();  // 打印预览: every row, paginated, to a printer or a PDF file
    void Chart_Click();    // 图表: the chart window

    // Writes the listing as shown to a CSV file. Empty on success, else the reason.
    QString exportTo(const QString& path);
    // Prints the listing as shown on the device; the number of pages, 0 on failure.
    int printListing(QPagedPaintDevice& device);
    // The same as a PDF file. Empty on success, else the reason.
    QString savePdf(const QString& path);
    // Shows the sessions on their own or totalled per day or month.
    void setView(View view);
    View view() const;
    // Fleet mode: lists this PC's sessions or every PC's from the server, as the source box
    // says; the chosen source is queried at once.
    void setSource(Source source);
    Source source() const;
    bool isFleetMode() const { return m_fleet.enabled(); }
    // A read of the server is under way.
    bool isReadingServer() const;
    // Shows the window restored, on top and active, as when another start asks for it.
    void comeForward();
    // Reads the account names again into the user list, keeping what the box shows.
    void refreshAccounts();

    // Seconds (the number at the start of the text) as "H:MM:SS".
    QString GetTmF(const QString& seconds) const;
    // "YYYYMMDD" as "YYYY年MM月DD日".
    QString GetDate(const QString& text) const;

    // The grid's current row R and the other end S of its selected block, as grid rows (0 is
    // the first session; the totals row follows the last). -1 when nothing is current.
    int Row() const { return m_row; }
    int RowSel() const { return m_rowSel; }
    // Selects the block from `row` to `rowSel`, making `rowSel` the current row.
    void selectRows(int row, int rowSel);

    SessionTableModel& sessions() const { return *m_model; }
    GroupTableModel& groups() const { return *m_groupModel; }
    // The listing the grid shows.
    ListingModel& listing() const;
    QTableView* grid() const { return m_grid; }
    bool hasDatabase() const { return m_store.isOpen(); }
    // The chart window while it is open.
    StatChart* chartWindow() const;
    // Open for reading only (its folder cannot be written): nothing can be deleted.
    bool isReadOnly() const { return m_store.isReadOnly(); }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls(std::shared_ptr<ServerSessionSource> server);
    void placeControls();
    // Fits the grid to the window below its top, unless the window is minimised.
    void fitGrid();
    void setColumnWidths(std::initializer_list<int> twips);
    void setListingWidths();
    void trackSelection();
    // Puts a listing in the grid, with the totals row current.
    void showListing(ListingModel* model);
    // After a query or a deletion: the grouped figures, the buttons and the chart follow.
    void listingChanged();
    void regroup();
    void updateChart();
    void sortListing(int column, Qt::SortOrder order);
    void clearSortIndicator();
    // The folder and file name first offered for saving the listing, without a suffix.
    QString suggestedFile() const;
    QList<int> columnWidths() const;
    QString printTitle() const;
    void rememberFolder(const QString& path);
    QImage gridPicture();
    void loadUsers();
    // A query's result in the grid, or the not-found message when it has no rows.
    void showFound(const ListingScope& scope, SessionListing found, bool fromServer);
    void queryServer(const ListingScope& scope);
    void setReadingServer(bool reading);
    void sourceChanged();
    // Deleting is for this PC's listing only.
    void updateDeleteControl();
    bool serverInvolved() const;
    // A store failure while loading, said as a sentence about the file.
    void reportStoreProblem(const QString& storeMessage);

    Prompter& m_prompter;
    QString m_dataFolder;
    FleetConfig m_fleet;
    // The name this PC's rows carry in the PC column.
    QString m_pcName;
    ServerQueryRunner* m_server = nullptr;
    bool m_listingFromServer = false;
    std::unique_ptr<GridPrinter> m_printer;
    std::unique_ptr<FileChooser> m_files;
    Store m_store;
    std::optional<ListingScope> m_scope;
    QString m_saveFolder;
    bool m_hasAdministrator = false;
    QString m_administratorPassword;
    int m_row = -1;
    int m_rowSel = -1;

    QWidget* m_controls = nullptr;
    QComboBox* m_cb1 = nullptr;
    QComboBox* m_cb2 = nullptr;
    QComboBox* m_cb3 = nullptr;
    QComboBox* m_cb4 = nullptr;
    QComboBox* m_cb5 = nullptr;
    QComboBox* m_cb6 = nullptr;
    QComboBox* m_cb7 = nullptr;
    QLineEdit* m_text1 = nullptr;
    QComboBox* m_cbView = nullptr;
    QComboBox* m_source = nullptr;
    QLabel* m_busy = nullptr;
    QPushButton* m_command1 = nullptr;
    QPushButton* m_command3 = nullptr;
    QPushButton* m_cmdExport = nullptr;
    QPushButton* m_cmdPreview = nullptr;
    QPushButton* m_cmdChart = nullptr;
    SessionTableModel* m_model = nullptr;
    GroupTableModel* m_groupModel = nullptr;
    QTableView* m_grid = nullptr;
    QPointer<StatChart> m_chart;
};
