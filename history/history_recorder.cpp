#include "history/history_recorder.h"

#include <QMetaObject>
#include <algorithm>
#include <chrono>

namespace kordex::history {

namespace {
// What a long outage may keep in memory for later; the oldest go first.
constexpr size_t kMaxKept = 200000;
}  // namespace

HistoryRecorder::HistoryRecorder(QString path, int commitIntervalMs)
    : path_(std::move(path)),
      intervalMs_(commitIntervalMs),
      worker_([this] { run(); })
{
}

HistoryRecorder::~HistoryRecorder()
{
    if (session_)
        endSession(QStringLiteral("closed"), QDateTime::currentMSecsSinceEpoch());
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    worker_.join();
}

void HistoryRecorder::queue(PendingItem item)
{
    item.sessionToken = session_;
    item.site = site_;
    item.transport = transport_;
    item.address = address_;
    item.model = model_;
    std::lock_guard lock(mutex_);
    pending_.push_back(std::move(item));
}

void HistoryRecorder::startSession(const QString &site, const QString &transport, const QString &address, qint64 timeMs)
{
    if (session_)
        endSession(QString(), timeMs);
    if (!enabled_)
        return;
    session_ = ++nextSession_;
    site_ = site;
    transport_ = transport;
    address_ = address;
    model_.clear();
    queue({PendingItem::Type::SessionStart, 0, timeMs, {}, {}, {}, {}, {}, {}});
}

void HistoryRecorder::add(const QString &kind, const QByteArray &text, qint64 timeMs)
{
    if (!session_ || !enabled_)
        return;
    queue({PendingItem::Type::Line, 0, timeMs, {}, {}, {}, {}, kind, text});
}

void HistoryRecorder::endSession(const QString &endKind, qint64 timeMs)
{
    if (!session_)
        return;
    queue({PendingItem::Type::SessionEnd, 0, timeMs, {}, {}, {}, {}, endKind, {}});
    session_ = 0;
    {
        std::lock_guard lock(mutex_);
        commitRequested_ = true;
        ++queuedBatches_;
    }
    wake_.notify_all();
}

bool HistoryRecorder::commitAndWait(int timeoutMs)
{
    std::unique_lock lock(mutex_);
    commitRequested_ = true;
    const quint64 target = ++queuedBatches_;
    wake_.notify_all();
    return written_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return handledBatches_ >= target; });
}

void HistoryRecorder::requestCommit(std::function<void()> done)
{
    {
        std::lock_guard lock(mutex_);
        commitRequested_ = true;
        whenWritten_.emplace_back(++queuedBatches_, std::move(done));
    }
    wake_.notify_all();
}

void HistoryRecorder::report(const QString &message)
{
    QMetaObject::invokeMethod(
        this,
        [this, message] {
            if (onProblem)
                onProblem(message);
        },
        Qt::QueuedConnection);
}

void HistoryRecorder::run()
{
    HistoryStore store;
    store.setBatchCache(true);
    std::vector<PendingItem> batch;
    auto problem = [this](const QString &message) {
        if (reported_)
            return;
        reported_ = true;
        report(QStringLiteral("Event history not recorded: ") + message);
    };
    auto openStore = [&] {
        QString message;
        switch (store.open(path_, &message)) {
        case HistoryStore::Opened::Ok: return true;
        case HistoryStore::Opened::Replaced: report(message); return true;
        case HistoryStore::Opened::Failed: problem(message); return false;
        }
        return false;
    };
    openStore();
    for (;;) {
        std::unique_lock lock(mutex_);
        wake_.wait_for(lock, std::chrono::milliseconds(intervalMs_), [&] { return stop_ || commitRequested_; });
        if (batch.empty())
            batch.swap(pending_);
        else
            batch.insert(batch.end(), std::make_move_iterator(pending_.begin()),
                         std::make_move_iterator(pending_.end()));
        pending_.clear();
        commitRequested_ = false;
        const bool stopping = stop_;
        const quint64 handled = queuedBatches_;
        lock.unlock();

        if (!batch.empty() && (store.isOpen() || openStore())) {
            QString error;
            HistoryStore::WriteResult result = store.write(batch, &error);
            if (result == HistoryStore::WriteResult::Damaged) {
                QString message;
                if (store.replaceDamaged(&message) != HistoryStore::Opened::Failed) {
                    report(message);
                    result = store.write(batch, &error);
                } else {
                    error = message;
                }
            }
            if (result == HistoryStore::WriteResult::Ok) {
                batch.clear();
                ++commits_;
                if (reported_)
                    report(QString());
                reported_ = false;
            } else {
                problem(error);
            }
        }
        if (batch.size() > kMaxKept)
            batch.erase(batch.begin(), batch.begin() + qsizetype(batch.size() - kMaxKept));

        lock.lock();
        handledBatches_ = handled;
        written_.notify_all();
        const auto firstWaiting = std::stable_partition(whenWritten_.begin(), whenWritten_.end(),
                                                        [&](const auto &w) { return w.first <= handled; });
        for (auto w = whenWritten_.begin(); w != firstWaiting; ++w)
            if (w->second)
                QMetaObject::invokeMethod(this, std::move(w->second), Qt::QueuedConnection);
        whenWritten_.erase(whenWritten_.begin(), firstWaiting);
        if (stopping)
            break;
    }
}

}  // namespace kordex::history
