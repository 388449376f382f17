#include "panel/panel_model.h"

#include <algorithm>

namespace kordex::panel {

namespace {

Lamps asLamps(bool nz)
{
    Lamps l;
    l.fault = 5;
    l.isolated = 4;
    l.systemFault = 8;
    l.power = 10;
    if (nz) {
        l.nzNormal = 21;
        l.nzFire = 22;
        l.nzDefect = 23;
    }
    return l;
}

Lamps zr9Lamps()
{
    Lamps l;
    l.fault = 4;
    l.isolated = 5;
    l.systemFault = 6;
    l.routing = 7;
    l.devices = 9;
    l.power = 11;
    l.several = 14;
    l.nzNormal = 23;
    l.nzFire = 24;
    l.nzDefect = 25;
    return l;
}

std::vector<ModelInfo> makeModels()
{
    // V12 and V13 panels carry the New Zealand status lamps; the logic variant
    // does not, so it leaves them unreported.
    return {
        {Model::As1603,
         "1603",
         "AS 1603 FIRE INDICATOR PANEL",
         "Q7312 1 V12",
         2,
         '0',
         false,
         asLamps(true),
         {9, 24, 25}},
        {Model::As1603Logic,
         "1603L",
         "AS 1603 LOGIC FIRE INDICATOR PANEL",
         "Q6150 2 V02",
         2,
         '0',
         false,
         asLamps(false),
         {9, 24, 25}},
        {Model::As4428,
         "4428",
         "AS 4428 FIRE INDICATOR PANEL",
         "Q7312 1 V13",
         2,
         '1',
         false,
         asLamps(true),
         {6, 7, 9, 11}},
        {Model::Zr9, "zr9", "ZR9 FIRE PANEL", "ZR9 1 V01", 4, '1', true, zr9Lamps(), {8, 10, 13}},
        {Model::Zr9Brigade,
         "zr9fb",
         "ZR9 FIRE BRIGADE PANEL",
         "ZR9 1 V02",
         4,
         '0',
         true,
         zr9Lamps(),
         {8, 10, 13, 17, 18, 19}},
    };
}

}  // namespace

const std::vector<ModelInfo> &allModels()
{
    static const std::vector<ModelInfo> kModels = makeModels();
    return kModels;
}

const ModelInfo &modelInfo(Model m)
{
    for (const ModelInfo &info : allModels())
        if (info.model == m)
            return info;
    return allModels().front();
}

std::optional<Model> modelByName(QStringView name)
{
    for (const ModelInfo &info : allModels())
        if (name.compare(QLatin1String(info.name), Qt::CaseInsensitive) == 0)
            return info.model;
    return std::nullopt;
}

std::vector<int> reportedIndicators(const ModelInfo &m)
{
    const Lamps &l = m.lamps;
    std::vector<int> out = m.alsoOff;
    for (int n : {l.alarm, l.fault, l.isolated, l.systemFault, l.power, l.sounder, l.several, l.routing, l.devices,
                  l.nzNormal, l.nzFire, l.nzDefect, l.eventDisplay})
        if (n >= 3)
            out.push_back(n);
    std::sort(out.begin(), out.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
    return out;
}

}  // namespace kordex::panel
