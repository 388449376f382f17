#include "config/book_merge.h"

#include "config/connection_fields.h"
#include "config/ini_file.h"
#include "platform/text_codec.h"

#include <QDir>
#include <QHash>
#include <QStringList>
#include <algorithm>

namespace kordex {

namespace {
// A book by name, letter case ignored. A hand-edited file may hold a name
// twice: each later one is told apart by its occurrence.
struct KeyedBook {
    std::vector<QByteArray> order;
    QHash<QByteArray, ConnectionRecord> byKey;

    explicit KeyedBook(const Records &records)
    {
        QHash<QByteArray, int> seen;
        for (const ConnectionRecord &r : records) {
            ConnectionRecord stored = asStored(r);
            QByteArray key = foldAsciiUpper(stored.systemName);
            if (const int n = seen[key]++; n > 0)
                key += '\0' + QByteArray::number(n);
            order.push_back(key);
            byKey.insert(key, std::move(stored));
        }
    }
    const ConnectionRecord *find(const QByteArray &key) const
    {
        const auto it = byKey.constFind(key);
        return it == byKey.cend() ? nullptr : &*it;
    }
};

QString namesOf(const std::vector<MergeConflict> &conflicts, MergeConflict::Kind kind)
{
    QStringList names;
    for (const MergeConflict &c : conflicts)
        if (c.kind == kind)
            names << QLatin1Char('"') + fromPanelBytes(c.name) + QLatin1Char('"');
    return names.join(QStringLiteral(", "));
}
}  // namespace

ConnectionRecord asStored(const ConnectionRecord &rec)
{
    ConnectionRecord r = rec;
    for (const ConnectionField &f : connectionFields())
        if (f.kind == ConnectionField::Kind::Text)
            setFieldFromText(r, f, valueAsReadBack(fieldText(rec, f)));
    return r;
}

bool sameRecords(const Records &a, const Records &b)
{
    if (a.size() != b.size())
        return false;
    Records x = a, y = b;
    std::stable_sort(x.begin(), x.end(), sortsBefore);
    std::stable_sort(y.begin(), y.end(), sortsBefore);
    for (size_t i = 0; i < x.size(); ++i)
        if (asStored(x[i]) != asStored(y[i]))
            return false;
    return true;
}

bool MergedBook::needsBackup() const
{
    return std::any_of(conflicts.begin(), conflicts.end(),
                       [](const MergeConflict &c) { return c.kind == MergeConflict::Kind::ChangedInBoth; });
}

MergedBook mergeBooks(const Records &loaded, const Records &ours, const Records &disk)
{
    using Kind = MergeConflict::Kind;
    const KeyedBook base(loaded), here(ours), there(disk);
    MergedBook m;
    for (const QByteArray &key : there.order) {
        const ConnectionRecord &d = *there.find(key);
        const ConnectionRecord *l = base.find(key), *o = here.find(key);
        if (!o) {
            if (l && *l == d)
                continue;  // deleted here
            if (l)
                m.conflicts.push_back({Kind::DeletedHereChangedThere, d.systemName});
            m.records.push_back(d);
        } else if (*o == d || (l && *o == *l)) {
            m.records.push_back(d);
        } else if (l && d == *l) {
            m.records.push_back(*o);
        } else {
            m.conflicts.push_back({Kind::ChangedInBoth, o->systemName});
            m.records.push_back(*o);
        }
    }
    for (const QByteArray &key : here.order) {
        if (there.find(key))
            continue;
        const ConnectionRecord &o = *here.find(key);
        const ConnectionRecord *l = base.find(key);
        if (l && *l == o)
            continue;  // deleted on disk
        if (l)
            m.conflicts.push_back({Kind::DeletedThereChangedHere, o.systemName});
        m.records.push_back(o);
    }
    std::stable_sort(m.records.begin(), m.records.end(), sortsBefore);
    return m;
}

QString mergeMessage(const std::vector<MergeConflict> &conflicts, const QString &ini, const QString &backup)
{
    using Kind = MergeConflict::Kind;
    QString text = QStringLiteral(
                       "%1 was changed by another Kordex window, or by hand, while this window had it "
                       "open. The changes of both are saved in it; these connections were changed on "
                       "both sides:")
                       .arg(QDir::toNativeSeparators(ini));
    if (const QString names = namesOf(conflicts, Kind::ChangedInBoth); !names.isEmpty())
        text += QStringLiteral(
                    "\n\nChanged in both: %1. This window's version is saved; the other version is in "
                    "the file kept as %2.")
                    .arg(names, QDir::toNativeSeparators(backup));
    if (const QString names = namesOf(conflicts, Kind::DeletedThereChangedHere); !names.isEmpty())
        text += QStringLiteral("\n\nDeleted elsewhere but changed here, so kept: %1.").arg(names);
    if (const QString names = namesOf(conflicts, Kind::DeletedHereChangedThere); !names.isEmpty())
        text += QStringLiteral("\n\nDeleted here but changed elsewhere, so kept as changed there: %1.").arg(names);
    return text;
}

}  // namespace kordex
