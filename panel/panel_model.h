#pragma once
// The panels kordex-panel can play: what each one says about itself and which
// indicator numbers its lamps answer to.
#include <QByteArray>
#include <QString>
#include <QStringView>

#include <optional>
#include <vector>

namespace kordex::panel {

enum class Model { As1603, As1603Logic, As4428, Zr9, Zr9Brigade };

// Indicator number of each condition the simulator drives; -1 where the model
// has no such lamp. Numbers follow the lamp layout of the matching face.
struct Lamps {
    int alarm = 3;
    int fault = -1;
    int isolated = -1;
    int systemFault = -1;
    int power = -1;
    int sounder = 12;
    int several = -1;  // more than one alarm
    int routing = -1;  // alarm routed to the brigade
    int devices = -1;  // alarm devices sounding
    int nzNormal = -1;
    int nzFire = -1;
    int nzDefect = -1;
    int eventDisplay = 28;
};

struct ModelInfo {
    Model model;
    const char *name;   // --model value
    const char *title;  // terminal banner and the 4-row display
    const char *ident;  // identification line
    int displayRows;    // 2 or 4
    char lineKind;      // first cell of the indicator line
    bool lowerHex;      // checksum digits in lower case
    Lamps lamps;
    std::vector<int> alsoOff;  // lamps the model has but never lights here
};

constexpr int kLastIndicator = 28;  // the indicator line reports 3..28

const ModelInfo &modelInfo(Model m);
std::optional<Model> modelByName(QStringView name);
const std::vector<ModelInfo> &allModels();

// Indicator numbers this model reports (every other number is sent as "X").
std::vector<int> reportedIndicators(const ModelInfo &m);

}  // namespace kordex::panel
