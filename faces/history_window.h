#pragma once
// The event history window (View -> Event History...): the recorded lines
// newest first, filtered by site, days and text as it is typed; the sessions
// of the chosen site; a strip of lines per day (a click keeps that day); the
// export of what the filter shows; the recording switch and the deletion of
// a site's history. Rows are fetched a page at a time as the table scrolls.
#include "history/history_store.h"

#include <QAbstractTableModel>
#include <QWidget>
#include <functional>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QTableView;
class QTimer;
class QTreeWidget;

namespace kordex {

class HistoryTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit HistoryTableModel(const history::HistoryStore &store, QObject *parent = nullptr);
    void setFilter(const history::HistoryFilter &filter);
    const history::HistoryFilter &filter() const { return filter_; }
    qint64 total() const { return total_; }
    const history::HistoryRow &row(int r) const { return rows_[size_t(r)]; }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    bool canFetchMore(const QModelIndex &parent) const override;
    void fetchMore(const QModelIndex &parent) override;

    static constexpr int kPage = 256;

private:
    const history::HistoryStore &store_;
    history::HistoryFilter filter_;
    std::vector<history::HistoryRow> rows_;
    qint64 total_ = 0;
};

// Lines per day across the filter's range, drawn as bars.
class DayStrip : public QWidget {
    Q_OBJECT
public:
    explicit DayStrip(QWidget *parent = nullptr);
    void setCounts(std::vector<history::DayCount> counts);
    std::function<void(QDate)> onDayClicked;
    QSize sizeHint() const override { return {400, 48}; }

protected:
    void paintEvent(QPaintEvent *) override;
    void mousePressEvent(QMouseEvent *e) override;

private:
    QDate dayAt(int x) const;
    std::vector<history::DayCount> counts_;
    QDate first_, last_;
};

class HistoryWindow : public QWidget {
    Q_OBJECT
public:
    // `path`: the history file; the recorder's switch is told through onRecordingSwitched.
    explicit HistoryWindow(const QString &path, QWidget *parent = nullptr);
    // The team server the lines go to; the status tells what is not sent yet.
    void setServer(const QString &server)
    {
        server_ = server;
        applyFilter();
    }
    ~HistoryWindow() override;

    // Re-reads the sites and the rows (new lines arrive while it is open).
    void refresh();
    std::function<void(bool on)> onRecordingSwitched;

    HistoryTableModel &model() { return *model_; }
    history::HistoryFilter currentFilter() const;
    // Writes what the filter shows; false with `error` on failure.
    bool exportTo(const QString &file, QString *error) const;

    QComboBox *site = nullptr;
    QDateEdit *since = nullptr;
    QDateEdit *until = nullptr;
    QLineEdit *text = nullptr;
    QCheckBox *record = nullptr;
    QTableView *table = nullptr;
    QTreeWidget *sessions = nullptr;
    DayStrip *strip = nullptr;
    QLabel *status = nullptr;

private:
    void applyFilter();
    void fillSessions();
    void askExport();
    void askDelete();

    history::HistoryStore store_;
    HistoryTableModel *model_ = nullptr;
    QTimer *typing_ = nullptr;
    QString openError_;
    QString server_;
};

}  // namespace kordex
