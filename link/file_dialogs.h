#pragma once
#include <QString>

namespace kordex {

// The filter of the capture and file-send dialogs. "*" and not "*.*": on
// Linux a file name need not have a dot.
inline const QString kFileDialogFilter =
    QStringLiteral("Text files (*.txt);;Panel format files (*.s28);;All files (*)");

}  // namespace kordex
