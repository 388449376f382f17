// libFuzzer target: "Kordex.ini" read, saved and read again. Whatever the
// bytes, the book saved into them reads back as the same book, a saved file
// always holds a readable book, and saving that again writes the same bytes.
#include "config/configuration.h"

#include <cstdlib>
#include <memory>

using namespace kordex;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    IniFile ini = IniFile::parse(bytes);
    auto book = std::make_unique<ConnectionBook>();  // 501 records: not on the stack
    loadBook(ini, *book);
    holdsReadableBook(bytes, ini);
    sortConnections(*book);  // as a save does
    storeBook(ini, *book);
    const QByteArray saved = ini.serialize();

    IniFile again = IniFile::parse(saved);
    auto back = std::make_unique<ConnectionBook>();
    loadBook(again, *back);
    if (back->count() != book->count())
        std::abort();
    for (int i = 0; i < book->count(); ++i)
        if (!(back->at(i) == book->at(i)))
            std::abort();
    if (!holdsReadableBook(saved, again))
        std::abort();
    storeBook(again, *back);
    if (again.serialize() != saved)
        std::abort();
    return 0;
}
