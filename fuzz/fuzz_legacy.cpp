// libFuzzer target: the files of earlier versions. The bytes are read both as
// "Kordex.csv" and as "Kordex.cfg" (each needs its header mark), the settings
// applied and the book saved and read back as the first start does: what
// comes back is what was imported, but for the blanks and control characters
// at the ends of texts, which the ini file does not keep.
#include "config/configuration.h"
#include "config/connection_fields.h"
#include "config/legacy_import.h"

#include <cstdlib>
#include <memory>

using namespace kordex;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    auto book = std::make_unique<ConnectionBook>();
    parseLegacyCsv(*book, bytes);
    applyLegacySettings(*book, parseLegacyCfg(bytes));
    if (book->count() < 0 || book->count() > ConnectionBook::kSlots)
        std::abort();

    IniFile ini;
    storeBook(ini, *book);
    auto back = std::make_unique<ConnectionBook>();
    loadBook(IniFile::parse(ini.serialize()), *back);
    if (back->count() != book->count())
        std::abort();
    for (int i = 0; i < book->count(); ++i) {
        for (const ConnectionField &f : connectionFields()) {
            QByteArray expected = fieldText(book->at(i), f);
            if (f.kind == ConnectionField::Kind::Text)
                expected = stripIniText(expected);
            if (fieldText(back->at(i), f) != expected)
                std::abort();
        }
    }
    return 0;
}
