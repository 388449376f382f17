#pragma once
// `kordex --history [SITE] [--since DATE] [--until DATE] [--grep TEXT]`: the
// matching rows of the history as CSV on standard output, newest first.
#include <QStringList>

namespace kordex::history {

// Whether the command line asks for the history export.
bool wantsHistoryExport(const QStringList &args);
// args as main() got them (the program name first). Returns the exit status.
int runHistoryExport(const QStringList &args, const QString &path);

}  // namespace kordex::history
