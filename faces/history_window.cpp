#include "faces/history_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateEdit>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QSaveFile>
#include <QSplitter>
#include <QTableView>
#include <QThreadPool>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace kordex {

using namespace history;

namespace {
// A date edit at its minimum stands for "no limit".
const QDate kAnyDay(2000, 1, 1);

QString localTime(qint64 ms)
{
    return QDateTime::fromMSecsSinceEpoch(ms).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}
}  // namespace

// ---- the table ----

HistoryTableModel::HistoryTableModel(const HistoryStore &store, QObject *parent)
    : QAbstractTableModel(parent),
      store_(store)
{
}

void HistoryTableModel::setFilter(const HistoryFilter &filter)
{
    beginResetModel();
    filter_ = filter;
    rows_.clear();
    // Counting every match of a common word costs more than the search
    // itself; the table pages on regardless and the status says "more than".
    const qint64 atMost = filter_.text.isEmpty() ? -1 : kCountedTextLines;
    total_ = store_.isOpen() ? store_.count(filter_, atMost) : 0;
    totalIsLowerBound_ = atMost >= 0 && total_ > atMost;
    if (totalIsLowerBound_)
        total_ = atMost;
    if (total_ > 0)
        rows_ = store_.rows(filter_, HistoryStore::kNewest, kPage);
    moreRows_ = int(rows_.size()) == kPage;
    endResetModel();
}

void HistoryTableModel::showRows(const HistoryFilter &filter, std::vector<HistoryRow> rows, bool more)
{
    beginResetModel();
    filter_ = filter;
    rows_ = std::move(rows);
    total_ = qint64(rows_.size());
    totalIsLowerBound_ = more;
    moreRows_ = false;
    endResetModel();
}

int HistoryTableModel::rowCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : int(rows_.size()); }

int HistoryTableModel::columnCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : 4; }

QVariant HistoryTableModel::data(const QModelIndex &index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || size_t(index.row()) >= rows_.size())
        return {};
    const HistoryRow &r = rows_[size_t(index.row())];
    switch (index.column()) {
    case 0: return localTime(r.timeMs);
    case 1: return r.site;
    case 2: return r.kind;
    default: return r.text;
    }
}

QVariant HistoryTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal)
        return {};
    static const char *const kTitles[] = {"Time", "Site", "Kind", "Line"};
    return QString::fromLatin1(kTitles[std::clamp(section, 0, 3)]);
}

bool HistoryTableModel::canFetchMore(const QModelIndex &parent) const { return !parent.isValid() && moreRows_; }

void HistoryTableModel::fetchMore(const QModelIndex &parent)
{
    if (!canFetchMore(parent) || rows_.empty())
        return;
    std::vector<HistoryRow> more = store_.rows(filter_, rows_.back().id, kPage);
    moreRows_ = int(more.size()) == kPage;
    if (more.empty())
        return;
    beginInsertRows({}, int(rows_.size()), int(rows_.size() + more.size()) - 1);
    rows_.insert(rows_.end(), std::make_move_iterator(more.begin()), std::make_move_iterator(more.end()));
    endInsertRows();
}

// ---- the strip of days ----

DayStrip::DayStrip(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("DayStrip"));
    setMinimumHeight(48);
    setToolTip(QStringLiteral("Lines per day; click a day to show only it"));
}

void DayStrip::setCounts(std::vector<DayCount> counts)
{
    counts_ = std::move(counts);
    first_ = counts_.empty() ? QDate() : counts_.front().day;
    last_ = counts_.empty() ? QDate() : counts_.back().day;
    update();
}

void DayStrip::setChosen(QDate from, QDate to)
{
    chosenFrom_ = from;
    chosenTo_ = to;
    update();
}

QDate DayStrip::dayAt(int x) const
{
    if (!first_.isValid() || width() <= 0)
        return {};
    const qint64 days = first_.daysTo(last_) + 1;
    return first_.addDays(std::clamp<qint64>(qint64(x) * days / width(), 0, days - 1));
}

void DayStrip::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    const QPalette &pal = palette();
    p.fillRect(rect(), pal.color(QPalette::Base));
    if (counts_.empty()) {
        p.setPen(pal.color(QPalette::PlaceholderText));
        p.drawText(rect(), Qt::AlignCenter, QStringLiteral("No lines"));
        return;
    }
    qint64 most = 1;
    for (const DayCount &d : counts_)
        most = std::max(most, d.lines);
    const qint64 days = first_.daysTo(last_) + 1;
    const double w = double(width()) / double(days);
    // The dates above the bars, not over them.
    const int labels = fontMetrics().height() + 2;
    const int h = std::max(1, height() - labels - 1);
    QColor outside = pal.color(QPalette::Highlight);
    outside.setAlphaF(0.35);
    for (const DayCount &d : counts_) {
        const double x = double(first_.daysTo(d.day)) * w;
        const int bar = std::max(1, int(double(h) * double(d.lines) / double(most)));
        const bool chosen =
            (!chosenFrom_.isValid() || d.day >= chosenFrom_) && (!chosenTo_.isValid() || d.day <= chosenTo_);
        p.fillRect(QRectF(x, height() - 1 - bar, std::max(1.0, w - 1), bar),
                   chosen ? pal.color(QPalette::Highlight) : outside);
    }
    p.setPen(pal.color(QPalette::Text));
    p.drawText(rect().adjusted(4, 2, -4, -2), Qt::AlignTop | Qt::AlignLeft, first_.toString(Qt::ISODate));
    p.drawText(rect().adjusted(4, 2, -4, -2), Qt::AlignTop | Qt::AlignRight, last_.toString(Qt::ISODate));
}

void DayStrip::mousePressEvent(QMouseEvent *e)
{
    const QDate day = dayAt(int(e->position().x()));
    if (day.isValid() && onDayClicked)
        onDayClicked(day);
}

// ---- the window ----

HistoryWindow::HistoryWindow(const QString &path, QWidget *parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("HistoryWindow"));
    setWindowTitle(QStringLiteral("Event History"));
    QString message;
    if (store_.open(path, &message) == HistoryStore::Opened::Failed)
        openError_ = message;
    model_ = new HistoryTableModel(store_, this);

    site = new QComboBox(this);
    site->setObjectName(QStringLiteral("HistorySite"));
    site->setMinimumContentsLength(16);
    since = new QDateEdit(this);
    until = new QDateEdit(this);
    for (QDateEdit *d : {since, until}) {
        d->setCalendarPopup(true);
        d->setMinimumDate(kAnyDay);
        d->setSpecialValueText(QStringLiteral("any day"));
        d->setDate(kAnyDay);
        d->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    }
    since->setObjectName(QStringLiteral("HistorySince"));
    until->setObjectName(QStringLiteral("HistoryUntil"));
    text = new QLineEdit(this);
    text->setObjectName(QStringLiteral("HistoryText"));
    text->setPlaceholderText(QStringLiteral("Find text"));
    text->setClearButtonEnabled(true);

    auto *filters = new QHBoxLayout;
    filters->addWidget(new QLabel(QStringLiteral("Site:"), this));
    filters->addWidget(site, 2);
    filters->addWidget(new QLabel(QStringLiteral("From:"), this));
    filters->addWidget(since);
    filters->addWidget(new QLabel(QStringLiteral("To:"), this));
    filters->addWidget(until);
    filters->addWidget(text, 3);

    strip = new DayStrip(this);
    table = new QTableView(this);
    table->setObjectName(QStringLiteral("HistoryTable"));
    table->setModel(model_);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->verticalHeader()->hide();
    table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 4);
    table->horizontalHeader()->setStretchLastSection(true);
    table->setWordWrap(false);
    table->setColumnWidth(0, table->fontMetrics().horizontalAdvance(QStringLiteral("0000-00-00 00:00:00  ")));
    table->setColumnWidth(1, 140);
    table->setColumnWidth(2, 110);

    sessions = new QTreeWidget(this);
    sessions->setObjectName(QStringLiteral("HistorySessions"));
    sessions->setHeaderLabels(
        {QStringLiteral("Session start"), QStringLiteral("End"), QStringLiteral("Ended by"), QStringLiteral("Lines")});
    sessions->setRootIsDecorated(false);
    auto *split = new QSplitter(Qt::Vertical, this);
    split->addWidget(table);
    split->addWidget(sessions);
    split->setStretchFactor(0, 4);
    split->setStretchFactor(1, 1);

    record = new QCheckBox(QStringLiteral("Record history"), this);
    record->setObjectName(QStringLiteral("HistoryRecord"));
    record->setChecked(HistorySettings::load().record);
    auto *exportButton = new QPushButton(QStringLiteral("Export CSV..."), this);
    exportButton->setObjectName(QStringLiteral("HistoryExport"));
    deleteButton_ = new QPushButton(QStringLiteral("Delete history of this site..."), this);
    deleteButton_->setObjectName(QStringLiteral("HistoryDelete"));
    team = new QCheckBox(QStringLiteral("Team"), this);
    team->setObjectName(QStringLiteral("HistoryTeam"));
    team->setToolTip(QStringLiteral("Every site's lines from the team server"));
    team->setVisible(false);
    status = new QLabel(this);
    status->setObjectName(QStringLiteral("HistoryStatus"));
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(record);
    buttons->addWidget(team);
    buttons->addWidget(status, 1);
    buttons->addWidget(exportButton);
    buttons->addWidget(deleteButton_);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(filters);
    layout->addWidget(strip);
    layout->addWidget(split, 1);
    layout->addLayout(buttons);
    resize(900, 600);

    // Typing waits for a pause before it searches.
    typing_ = new QTimer(this);
    typing_->setSingleShot(true);
    typing_->setInterval(150);
    connect(typing_, &QTimer::timeout, this, [this] { applyFilter(); });
    connect(text, &QLineEdit::textChanged, typing_, qOverload<>(&QTimer::start));
    connect(site, &QComboBox::currentIndexChanged, this, [this] {
        fillSessions();
        applyFilter();
    });
    connect(since, &QDateEdit::dateChanged, this, [this] { applyFilter(); });
    connect(until, &QDateEdit::dateChanged, this, [this] { applyFilter(); });
    strip->onDayClicked = [this](QDate day) {
        const QSignalBlocker a(since), b(until);
        since->setDate(day);
        until->setDate(day);
        applyFilter();
    };
    connect(record, &QCheckBox::toggled, this, [this](bool on) {
        HistorySettings s = HistorySettings::load();
        s.record = on;
        s.save();
        if (onRecordingSwitched)
            onRecordingSwitched(on);
    });
    connect(team, &QCheckBox::toggled, this, [this] { refresh(); });
    connect(exportButton, &QPushButton::clicked, this, [this] { askExport(); });
    connect(deleteButton_, &QPushButton::clicked, this, [this] { askDelete(); });
    refresh();
}

HistoryWindow::~HistoryWindow() = default;

void HistoryWindow::setServer(const QString &server)
{
    server_ = server;
    team->setVisible(!server_.isEmpty());
    if (server_.isEmpty())
        team->setChecked(false);
    applyFilter();
}

void HistoryWindow::refresh()
{
    if (team->isChecked()) {
        askTeam();  // the sites come with the answer
        return;
    }
    fillSites(store_.isOpen() ? store_.sites() : QStringList());
    fillSessions();
    applyFilter();
}

// The site chosen stays chosen while it is among the names.
void HistoryWindow::fillSites(const QStringList &names)
{
    const QString chosen = site->currentIndex() > 0 ? site->currentText() : QString();
    const QSignalBlocker block(site);
    site->clear();
    site->addItem(QStringLiteral("All sites"));
    site->addItems(names);
    site->setCurrentIndex(std::max(0, chosen.isEmpty() ? 0 : site->findText(chosen, Qt::MatchExactly)));
}

HistoryFilter HistoryWindow::currentFilter() const
{
    HistoryFilter f;
    if (site->currentIndex() > 0)
        f.site = site->currentText();
    if (since->date() != kAnyDay)
        f.sinceMs = QDateTime(since->date(), QTime(0, 0)).toMSecsSinceEpoch();
    if (until->date() != kAnyDay)
        f.untilMs = QDateTime(until->date().addDays(1), QTime(0, 0)).toMSecsSinceEpoch();
    f.text = text->text();
    return f;
}

void HistoryWindow::applyFilter()
{
    if (team->isChecked()) {
        askTeam();
        return;
    }
    ++teamAsked_;  // a team answer still on its way is no longer wanted
    const HistoryFilter f = currentFilter();
    model_->setFilter(f);
    strip->setChosen(since->date() == kAnyDay ? QDate() : since->date(),
                     until->date() == kAnyDay ? QDate() : until->date());
    // The strip shows the whole range of the other filters, so a click can move to another day.
    HistoryFilter range = f;
    range.sinceMs = std::numeric_limits<qint64>::min();
    range.untilMs = std::numeric_limits<qint64>::max();
    if (store_.isOpen() && !range.text.isEmpty()) {
        countDays(range);
    } else {
        daysShown_ = ++daysAsked_;  // an answer still counting is no longer wanted
        strip->setCounts(store_.isOpen() ? store_.linesPerDay(range) : std::vector<DayCount>());  // kept per day
    }
    QString note = !openError_.isEmpty()         ? QStringLiteral("No history: %1").arg(openError_)
                   : model_->totalIsLowerBound() ? QStringLiteral("more than %L1 lines").arg(model_->total())
                                                 : QStringLiteral("%L1 lines").arg(model_->total());
    if (!server_.isEmpty() && store_.isOpen())
        note += QStringLiteral("; %L1 not sent to the team server yet").arg(store_.pendingUpload(server_));
    status->setText(note);
}

void HistoryWindow::fillSessions()
{
    sessions->clear();
    if (site->currentIndex() <= 0 || !store_.isOpen())
        return;
    for (const SessionSummary &s : store_.sessions(site->currentText()))
        new QTreeWidgetItem(sessions, {localTime(s.startedMs), s.endedMs ? localTime(s.endedMs) : QString(), s.endKind,
                                       QString::number(s.lines)});
    for (int c = 0; c < 3; ++c)
        sessions->resizeColumnToContents(c);
}

// `work` runs on a pool thread (with connections of its own); `done` gets its
// answer on the window's thread, unless the window has gone by then.
template <class Work, class Done>
void HistoryWindow::runBeside(Work work, Done done)
{
    QThreadPool::globalInstance()->start([work = std::move(work), done = guard_.guarded(std::move(done))]() mutable {
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [done, answer = work()]() mutable { done(std::move(answer)); },
            Qt::QueuedConnection);
    });
}

// Every match of a common word, day by day, takes longer than the search
// itself: counted on a pool thread with a connection of its own, drawn when
// it comes, and only the latest question's answer.
void HistoryWindow::countDays(const HistoryFilter &range)
{
    const quint64 asked = ++daysAsked_;
    runBeside(
        [path = store_.path(), range] {
            HistoryStore reader;
            QString message;
            return reader.open(path, &message, true) == HistoryStore::Opened::Ok ? reader.linesPerDay(range)
                                                                               : std::vector<DayCount>();
        },
        [this, asked](std::vector<DayCount> days) {
            if (asked != daysAsked_)
                return;
            daysShown_ = asked;
            strip->setCounts(std::move(days));
        });
}

// The server is asked on a pool thread; its answer comes back through the
// event loop, and only the latest question's answer is shown.
void HistoryWindow::askTeam()
{
    const quint64 asked = ++teamAsked_;
    daysShown_ = ++daysAsked_;  // the team's answer brings its own days
    const HistoryFilter f = currentFilter();
    status->setText(QStringLiteral("Asking the team server..."));
    runBeside([server = server_, f] { return HistoryUploader::teamView(server, f, kTeamRows + 1); },
              [this, asked, f](HistoryUploader::TeamView view) { showTeam(asked, f, std::move(view)); });
}

void HistoryWindow::showTeam(quint64 asked, const HistoryFilter &filter, HistoryUploader::TeamView view)
{
    if (asked != teamAsked_ || !team->isChecked())
        return;
    if (!view.error.isEmpty()) {
        model_->showRows(filter, {}, false);
        strip->setCounts({});
        status->setText(QStringLiteral("Team server: %1").arg(view.error));
        return;
    }
    fillSites(view.sites);
    const bool more = int(view.rows.size()) > kTeamRows;
    if (more)
        view.rows.resize(size_t(kTeamRows));
    // The strip counts what came back: the newest lines, not the server's whole range.
    std::vector<DayCount> days;
    for (auto r = view.rows.rbegin(); r != view.rows.rend(); ++r) {
        const QDate day = QDateTime::fromMSecsSinceEpoch(r->timeMs).date();
        if (days.empty() || days.back().day != day)
            days.push_back({day, 0});
        ++days.back().lines;
    }
    strip->setCounts(std::move(days));
    model_->showRows(filter, std::move(view.rows), more);
    status->setText((more ? QStringLiteral("the newest %L1 lines") : QStringLiteral("%L1 lines")).arg(model_->total()) +
                    QStringLiteral(" from the team server"));
}

bool HistoryWindow::exportTo(const QString &file, QString *error, qint64 *written) const
{
    QSaveFile out(file);
    // The team's lines are the ones on screen; the local ones are read again whole.
    auto shownRows = [&] {
        QByteArray csv = HistoryStore::csvHeader();
        for (int r = 0; r < model_->rowCount(); ++r)
            csv += HistoryStore::csvRecord(model_->row(r));
        if (written)
            *written = model_->rowCount();
        return out.write(csv) == csv.size();
    };
    if (!out.open(QIODevice::WriteOnly) ||
        !(team->isChecked() ? shownRows() : store_.exportCsv(currentFilter(), out, written)) || !out.commit()) {
        *error = out.errorString();
        return false;
    }
    return true;
}

// Boxes and file dialogs open and answer through their signals; nothing waits.
void HistoryWindow::askExport()
{
    auto *dialog =
        new QFileDialog(this, QStringLiteral("Export Event History"), QString(), QStringLiteral("CSV files (*.csv)"));
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setDefaultSuffix(QStringLiteral("csv"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QFileDialog::fileSelected, this, [this](const QString &file) {
        QString error;
        qint64 written = 0;
        if (!exportTo(file, &error, &written))
            status->setText(QStringLiteral("Export failed: %1").arg(error));
        else
            status->setText(QStringLiteral("Exported %L1 lines to %2").arg(written).arg(file));
    });
    dialog->open();
}

void HistoryWindow::askDelete()
{
    if (site->currentIndex() <= 0)
        return;
    const QString name = site->currentText();
    auto *box = new QMessageBox(QMessageBox::Question, QStringLiteral("Delete history"),
                                QStringLiteral("Delete the whole history of \"%1\"?").arg(name),
                                QMessageBox::Yes | QMessageBox::No, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    connect(box, &QMessageBox::finished, this, [this, name](int answer) {
        if (answer == QMessageBox::Yes)
            deleteSite(name);
    });
    box->open();
}

// A site of many lines takes a while to delete: on a pool thread with a
// connection of its own, the window told when it is done.
void HistoryWindow::deleteSite(const QString &name)
{
    deleteButton_->setEnabled(false);
    status->setText(QStringLiteral("Deleting the history of \"%1\"...").arg(name));
    runBeside(
        [path = store_.path(), name] {
            HistoryStore writer;
            QString error;
            if (writer.open(path, &error) != HistoryStore::Opened::Failed) {
                error.clear();  // a damaged file set aside is not this delete's failure
                writer.deleteSite(name, &error);
            }
            return error;
        },
        [this](const QString &error) {
            deleteButton_->setEnabled(true);
            refresh();
            if (!error.isEmpty())
                status->setText(QStringLiteral("Not deleted: %1").arg(error));
        });
}

}  // namespace kordex
