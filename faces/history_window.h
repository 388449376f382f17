#pragma once
// The event history window (View -> Event History...): the recorded lines
// newest first, filtered by site, days and text as it is typed; the sessions
// of the chosen site; a strip of lines per day (a click keeps that day); the
// export of what the filter shows; the recording switch and the deletion of
// a site's history. Rows are fetched a page at a time as the table scrolls.
#include "history/history_store.h"
#include "history/history_upload.h"
#include "platform/callback_guard.h"

#include <QAbstractTableModel>
#include <QWidget>
#include <functional>
#include <memory>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class QTimer;
class QTreeWidget;

namespace kordex {

class HistoryTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit HistoryTableModel(const history::HistoryStore &store, QObject *parent = nullptr);
    void setFilter(const history::HistoryFilter &filter);
    // Rows from elsewhere (the team server), shown as they are, no paging;
    // `more`: there were more than these.
    void showRows(const history::HistoryFilter &filter, std::vector<history::HistoryRow> rows, bool more);
    const history::HistoryFilter &filter() const { return filter_; }
    // The lines found; for a text search only up to kCountedTextLines, and
    // totalIsLowerBound() says there are more.
    qint64 total() const { return total_; }
    bool totalIsLowerBound() const { return totalIsLowerBound_; }
    const history::HistoryRow &row(int r) const { return rows_[size_t(r)]; }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    bool canFetchMore(const QModelIndex &parent) const override;
    void fetchMore(const QModelIndex &parent) override;

    static constexpr int kPage = 256;
    static constexpr qint64 kCountedTextLines = 10000;

private:
    const history::HistoryStore &store_;
    history::HistoryFilter filter_;
    std::vector<history::HistoryRow> rows_;
    qint64 total_ = 0;
    bool totalIsLowerBound_ = false;
    bool moreRows_ = false;  // the last page was full
};

// Lines per day across the filter's range, drawn as bars.
class DayStrip : public QWidget {
    Q_OBJECT
public:
    explicit DayStrip(QWidget *parent = nullptr);
    void setCounts(std::vector<history::DayCount> counts);
    // The days the date filter keeps (an invalid end: open), drawn stronger.
    void setChosen(QDate from, QDate to);
    std::function<void(QDate)> onDayClicked;
    QSize sizeHint() const override { return {400, 56}; }

protected:
    void paintEvent(QPaintEvent *) override;
    void mousePressEvent(QMouseEvent *e) override;

private:
    QDate dayAt(int x) const;
    std::vector<history::DayCount> counts_;
    QDate first_, last_;
    QDate chosenFrom_, chosenTo_;
};

class HistoryWindow : public QWidget {
    Q_OBJECT
public:
    // `path`: the history file; the recorder's switch is told through onRecordingSwitched.
    explicit HistoryWindow(const QString &path, QWidget *parent = nullptr);
    // The team server the lines go to; the status tells what is not sent
    // yet, and the Team switch shows every site's lines from it.
    void setServer(const QString &server);
    ~HistoryWindow() override;

    // Re-reads the sites and the rows (new lines arrive while it is open).
    void refresh();
    std::function<void(bool on)> onRecordingSwitched;
    // The team's newest lines shown at most.
    static constexpr int kTeamRows = 5000;

    HistoryTableModel &model() { return *model_; }
    history::HistoryFilter currentFilter() const;
    // A text search's strip of days is counted on a worker thread; true until it is drawn.
    bool daysPending() const { return daysAsked_ != daysShown_; }
    // Writes what the filter shows; false with `error` on failure.
    bool exportTo(const QString &file, QString *error, qint64 *written = nullptr) const;

    QComboBox *site = nullptr;
    QDateEdit *since = nullptr;
    QDateEdit *until = nullptr;
    QLineEdit *text = nullptr;
    QCheckBox *record = nullptr;
    QCheckBox *team = nullptr;
    QTableView *table = nullptr;
    QTreeWidget *sessions = nullptr;
    DayStrip *strip = nullptr;
    QLabel *status = nullptr;

private:
    void applyFilter();
    void fillSessions();
    void askExport();
    void askDelete();
    void deleteSite(const QString &name);
    void askTeam();
    void showTeam(quint64 asked, const history::HistoryFilter &filter, history::HistoryUploader::TeamView view);
    void fillSites(const QStringList &names);
    template <class Work, class Done>
    void runBeside(Work work, Done done);

    history::HistoryStore store_;
    HistoryTableModel *model_ = nullptr;
    QTimer *typing_ = nullptr;
    QPushButton *deleteButton_ = nullptr;
    QString openError_;
    QString server_;
    void countDays(const history::HistoryFilter &range);
    quint64 daysAsked_ = 0, daysShown_ = 0;
    quint64 teamAsked_ = 0;  // the answer still wanted; older ones are dropped
    CallbackGuard guard_;  // an answer from a pool thread finds the window gone
};

}  // namespace kordex
