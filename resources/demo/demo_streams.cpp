#include "demo_streams.h"

#include "panel/tandem_codec.h"

#include <array>
#include <initializer_list>
#include <utility>

namespace kordex::demo {

namespace tandem = panel::tandem;

namespace {

constexpr std::array<DemoFace, 5> kFaces = {{
    {1, "face-1-q7312.stream", "Q7312 1 V12"},
    {4, "face-4-q6150.stream", "Q6150 1 V02"},
    {5, "face-5-zr8816.stream", "Q7312 1 V13"},
    {6, "face-6-zr9.stream", "ZR9 1 V01"},
    {7, "face-7-zr9fbp.stream", "ZR9 1 V02"},
}};

struct Script {
    const char *banner;
    const char *display[4];
    // Indicator states as "number letter" pairs; unlisted numbers up to 28 are off.
    std::initializer_list<std::pair<int, char>> lamps;
    const char *events[4];
};

const Script kScripts[] = {
    {"Q7312 LOGIN OK",
     {"ZONE ALARM  Z012 LEVEL 3 WEST STAIR", "ISOLATIONS 2   FAULTS 1   [NEXT] MORE"},
     {{3, 'F'},
      {4, 'N'},
      {5, 'S'},
      {8, 'O'},
      {9, 'Q'},
      {10, 'N'},
      {12, 'N'},
      {21, 'N'},
      {22, 'F'},
      {23, 'O'},
      {24, 'N'},
      {25, 'S'}},
     {"12:04:17 Z012 ALARM  LEVEL 3 WEST STAIR", "12:04:19 SOUNDERS ACTIVATED", "12:05:02 Z007 ISOLATED BY OPERATOR",
      "12:05:40 CHARGER FAULT"}},
    {"Q6150 LOGIN OK",
     {"1 ZONE ISOLATED    Z003 EAST WING LOBBY", "SYSTEM ON  BATTERY OK   13:20 04/06/25"},
     {{3, 'S'}, {4, 'N'}, {5, 'F'}, {8, 'O'}, {9, 'Q'}, {10, 'N'}, {12, 'O'}, {24, 'N'}, {25, 'S'}, {28, 'N'}},
     {"13:18:55 Z003 ISOLATED", "13:19:30 ANCILLARY RELAY 2 ISOLATED", "13:20:02 BELLS ISOLATED",
      "13:20:10 EVENT DISPLAY ON"}},
    {"ZR8816 LOGIN OK",
     {"FAULT: MAINS FAILURE      08:15 12/05/25", "ACK TO SILENCE   ZONES IN FAULT 1"},
     {{3, 'F'},
      {4, 'N'},
      {5, 'S'},
      {6, 'Q'},
      {7, 'N'},
      {8, 'O'},
      {9, 'S'},
      {10, 'N'},
      {11, 'F'},
      {12, 'N'},
      {21, 'O'},
      {22, 'F'},
      {23, 'N'}},
     {"08:14:58 MAINS FAILURE", "08:15:01 WARNING SYSTEM ISOLATED", "08:15:20 AIF ATTENDED",
      "08:15:41 ZONE 04 FAULT OPEN CIRCUIT"}},
    {"ZR9 LOGIN OK",
     {"FIRE ALARM     2 ALARMS    ACK TO SILENCE", "ZONE 5  BLOCK C LEVEL 1 KITCHEN", "DETECTOR 5.12  SMOKE",
      "<F1>MORE <F2>ISOL <F3>TEST   14:02"},
     {{3, 'F'},
      {4, 'S'},
      {5, 'N'},
      {6, 'O'},
      {7, 'Q'},
      {8, 'O'},
      {9, 'F'},
      {10, 'N'},
      {11, 'N'},
      {12, 'S'},
      {13, 'O'},
      {14, 'Q'},
      {23, 'N'},
      {24, 'F'},
      {25, 'S'}},
     {"14:01:58 FIRE ZONE 5 BLOCK C LEVEL 1", "14:02:01 ALARM ROUTING ACTIVATED",
      "14:02:03 FIRE ZONE 9 BLOCK C LEVEL 2", "14:02:20 BUZZER SILENCED"}},
    {"ZR9 FBP LOGIN OK",
     {"FIRE ALARM     1 ALARM     FB PANEL", "ZONE 2  CAR PARK LEVEL B1", "SPRINKLER FLOW SWITCH 2.01",
      "<F1>MORE <F2>ISOL <F3>TEST   22:47"},
     {{3, 'F'},
      {4, 'S'},
      {5, 'N'},
      {6, 'O'},
      {7, 'Q'},
      {8, 'O'},
      {9, 'F'},
      {10, 'N'},
      {11, 'N'},
      {12, 'S'},
      {13, 'O'},
      {14, 'Q'},
      {17, 'F'},
      {18, 'S'},
      {19, 'N'},
      {23, 'N'},
      {24, 'F'},
      {25, 'O'}},
     {"22:46:30 FIRE ZONE 2 CAR PARK LEVEL B1", "22:46:31 FIRE PROTECTION ACTIVATED",
      "22:46:33 SMOKE CONTROL ACTIVATED", "22:47:05 ALARM DEVICES SILENCED"}},
};

QByteArray lampLetters(const Script &s)
{
    QByteArray letters(26, 'O');  // indicators 3 to 28
    for (const auto &[k, letter] : s.lamps)
        letters[k - 3] = letter;
    return letters;
}

}  // namespace

std::span<const DemoFace> demoFaces() { return kFaces; }

QByteArray indicatorLine(const QByteArray &letters) { return tandem::indicatorLine('0', letters, false); }

QByteArray demoStream(int face)
{
    int index = -1;
    for (size_t i = 0; i < kFaces.size(); ++i)
        if (kFaces[i].face == face)
            index = int(i);
    if (index < 0)
        return {};
    const DemoFace &f = kFaces[size_t(index)];
    const Script &s = kScripts[index];
    const int rows = face >= 6 ? 4 : 2;

    QByteArray out;
    // Terminal mode: what the panel prints before it enters tandem mode.
    out += "\r\n";
    out += s.banner;
    out += "\r\nENTERING TANDEM MODE\r\n";
    // The first cursor addressing switches the window to tandem mode.
    out += tandem::moveTo(0, 0);
    out += tandem::clearScreen();
    // Identification; the ESC that follows identifies the panel.
    out += tandem::moveTo(tandem::kIdentRow, 0);
    out += f.identification;
    // Display text.
    for (int r = 0; r < rows; ++r) {
        out += tandem::moveTo(r, 0);
        out += QByteArray(s.display[r]).leftJustified(tandem::kColumns, ' ', true);
    }
    // Indicator line; the ESC must find the cursor right behind it.
    out += tandem::moveTo(tandem::kIndicatorRow, 0);
    out += indicatorLine(lampLetters(s));
    // Printer events.
    for (int i = 0; i < 4; ++i) {
        out += tandem::moveTo(tandem::kFirstPrinterRow + i, 0);
        out += s.events[i];
        out += '\r';
    }
    // Park the cursor on the display.
    out += tandem::moveTo(rows - 1, tandem::kColumns - 1);
    return out;
}

}  // namespace kordex::demo
