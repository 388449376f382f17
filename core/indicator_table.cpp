#include "core/indicator_table.h"

#include "core/engine.h"

#include <optional>

namespace kordex {

namespace {
std::optional<int> digitValue(uint8_t c, int base)
{
    int v = -1;
    if (c >= '0' && c <= '9')
        v = c - '0';
    else if (c >= 'a' && c <= 'f')
        v = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F')
        v = c - 'A' + 10;
    if (v < 0 || v >= base)
        return std::nullopt;
    return v;
}
}  // namespace

void ProcessIndicatorLine(Engine &e)
{
    constexpr int kRow = 13;
    DisplayModel &d = e.display;
    auto cell = [&](int c) -> uint8_t { return c < DisplayModel::kColumns ? d.cell(kRow, c) : 0; };

    const auto n1 = digitValue(cell(1), 10), n2 = digitValue(cell(2), 10);
    if (!n1 || !n2)
        return;
    const int nn = *n1 * 10 + *n2;
    // NN of 98 or 99 would put the checksum past the row's last column.
    if (nn + 3 != d.CursorColumn || nn + 2 >= DisplayModel::kColumns)
        return;
    int sum = 0;
    for (int c = 0; c <= nn; ++c)
        sum += cell(c);
    sum %= 256;
    const auto h1 = digitValue(cell(nn + 1), 16), h2 = digitValue(cell(nn + 2), 16);
    if (!h1 || !h2)
        return;
    const int check = *h1 * 16 + *h2;

    if (e.session.current().diagnosticMode) {
        for (int c = 0; c <= 30; ++c)
            d.PutEventChar(cell(c));
        d.PutEventChar('\r');
    }
    if (sum != check || (cell(0) != '0' && cell(0) != '1'))
        return;
    e.indicators.reset();
    for (int c = 0; c <= nn; ++c)
        e.indicators.set(c, char(cell(c)));
}

}  // namespace kordex
