#pragma once

#include "common/Store.h"
#include "statdesk/GridPrinter.h"

#include <QImage>
#include <QString>
#include <QWidget>
#include <memory>

class Prompter;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class SessionTableModel;

// The statistics window: chooses a user (or everyone) and a range of start dates, lists the
// finished sessions with their totals, and copies, prints or deletes the listed rows. The
// database stays open while the window lives.
class CxyGl : public QWidget {
    Q_OBJECT
public:
    // `printer` defaults to the system's default printer.
    CxyGl(Prompter& prompter, QString dataFolder, std::unique_ptr<GridPrinter> printer = nullptr,
          QWidget* parent = nullptr);
    ~CxyGl() override;

    // Start-up: date lists, database, user list, administrator password.
    void Form_Load();

    void Command1_Click(); // 查看: run the query
    void Command2_Click(); // 复制: copy the selected rows
    void Command3_Click(); // 删除: delete the selected sessions
    void Command4_Click(); // 打印: print the grid

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
    QTableView* grid() const { return m_grid; }
    bool hasDatabase() const { return m_store.isOpen(); }
    // Open for reading only (its folder cannot be written): nothing can be deleted.
    bool isReadOnly() const { return m_store.isReadOnly(); }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void buildControls();
    void placeControls();
    // Fits the grid to the window below its top, unless the window is minimised.
    void fitGrid();
    void setColumnWidths(std::initializer_list<int> twips);
    void trackSelection();
    QImage gridPicture();
    void loadUsers();
    // A store failure while loading, said as a sentence about the file.
    void reportStoreProblem(const QString& storeMessage);

    Prompter& m_prompter;
    QString m_dataFolder;
    std::unique_ptr<GridPrinter> m_printer;
    Store m_store;
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
    SessionTableModel* m_model = nullptr;
    QTableView* m_grid = nullptr;
};
