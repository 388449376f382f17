#include "face_logic/face_binding.h"

#include <array>

namespace kordex {

namespace {
using H = LampHost;
constexpr LampDef kLamps[] = {
    {"FFAlm_1603", H::AS1603, 40, 120, 17, 17, false},
    {"FFiso_1603", H::AS1603, 40, 160, 17, 17, false},
    {"FFflt_1603", H::AS1603, 40, 200, 17, 17, false},
    {"Mains_1603", H::AS1603, 517, 64, 17, 17, false},
    {"Chgr_1603", H::AS1603, 517, 101, 17, 17, false},
    {"Sysf_1603", H::AS1603, 517, 139, 17, 17, false},
    {"Anciso_1603", H::AS1603, 517, 176, 17, 17, false},
    {"belliso_1603", H::AS1603, 517, 212, 17, 17, false},

    {"FFAlm_4428", H::AS4428p, 56, 95, 17, 17, false},
    {"FFflt_4428", H::AS4428p, 56, 123, 17, 17, false},
    {"FFiso_4428", H::AS4428p, 56, 151, 17, 17, false},
    {"Ebi_4428", H::AS4428p, 31, 185, 15, 12, false},
    {"Wsi_4428", H::AS4428p, 93, 185, 11, 12, false},
    {"Mains_4428", H::AS4428p, 457, 80, 17, 17, false},
    {"Chgr_4428", H::AS4428p, 457, 110, 17, 17, false},
    {"Sysf_4428", H::AS4428p, 457, 138, 17, 17, false},
    {"Aif_4428", H::AS4428p, 457, 165, 17, 17, false},

    {"FireLed1", H::ZR9, 117, 111, 11, 11, false},
    {"FireLed2", H::ZR9, 117, 121, 11, 11, false},
    {"NextLED", H::ZR9, 200, 107, 17, 17, false},
    {"BrigActLed", H::ZR9, 117, 152, 11, 11, false},
    {"BrigFltIsoLed", H::ZR9, 117, 162, 11, 11, false},
    {"WSActiveLed", H::ZR9, 117, 186, 11, 11, false},
    {"WSFltIsoLed", H::ZR9, 117, 197, 11, 11, false},
    {"Fltled1", H::ZR9, 118, 229, 11, 11, false},
    {"Fltled2", H::ZR9, 118, 240, 11, 10, false},
    {"IsoLED1", H::ZR9, 118, 261, 11, 11, false},
    {"Isoled2", H::ZR9, 118, 271, 11, 11, false},
    {"SysFltLED", H::ZR9, 118, 298, 11, 11, false},
    {"PowerLED", H::ZR9, 294, 298, 11, 11, false},
    {"SilLED1", H::ZR9, 294, 229, 11, 11, false},
    {"SilLed2", H::ZR9, 294, 239, 11, 11, false},
    {"testLED1", H::ZR9, 294, 261, 11, 11, false},
    {"TestLED2", H::ZR9, 294, 271, 11, 11, false},
    {"ZRNZFireLed", H::ZR9, 589, 32, 9, 9, true},
    {"ZRNZDefectLed", H::ZR9, 597, 32, 9, 9, true},
    {"ZRNZNormalLed", H::ZR9, 621, 31, 9, 9, true},

    {"ZR9FBP_FireLED1", H::ZR9FBP, 29, 99, 11, 11, false},
    {"ZR9FBP_FireLED2", H::ZR9FBP, 103, 99, 11, 11, false},
    {"ZR9FBP_FireProtActivatedLED", H::ZR9FBP, 29, 132, 11, 11, false},
    {"ZR9FBP_SmokeCtrlActivatedLED", H::ZR9FBP, 29, 163, 11, 11, false},
    {"ZR9FBP_AlarmDevActivatedLED", H::ZR9FBP, 29, 194, 11, 11, false},
    {"ZR9FBP_AlarmRoutActivatedLED", H::ZR9FBP, 29, 225, 11, 11, false},
    {"ZR9FBP_PowerLED", H::ZR9FBP, 29, 265, 11, 11, false},
    {"ZR9FBP_SysFaultLED", H::ZR9FBP, 29, 305, 11, 11, false},
    {"ZR9FBP_AlarmDevDisabledLED", H::ZR9FBP, 130, 305, 11, 11, false},
    {"ZR9FBP_AlarmRoutDisabledLED", H::ZR9FBP, 232, 305, 11, 11, false},
    {"ZR9FBP_SpareLED", H::ZR9FBP, 334, 305, 11, 11, false},
    {"ZR9FBP_FaultLED", H::ZR9FBP, 29, 338, 11, 11, false},
    {"ZR9FBP_DisablesLED", H::ZR9FBP, 130, 338, 11, 11, false},
    {"ZR9FBP_TestLED", H::ZR9FBP, 232, 338, 11, 11, false},
    {"ZR9FBP_AIFLED", H::ZR9FBP, 334, 338, 11, 11, false},
    {"ZR9FBP_NextLED", H::ZR9FBP, 210, 107, 17, 17, false},
    {"ZR9FBP_NZFireLed", H::ZR9FBP, 588, 33, 10, 10, true},
    {"ZR9FBP_NZDefectLED", H::ZR9FBP, 597, 33, 10, 10, true},
    {"ZR9FBP_NZNormalLED", H::ZR9FBP, 621, 33, 10, 10, true},

    {"NormalLed", H::NZDisplay, 6, 5, 9, 9, false},
    {"DefectLed", H::NZDisplay, 6, 17, 9, 9, false},
    {"Fireled", H::NZDisplay, 6, 28, 9, 9, false},
};

constexpr int kPainted[] = {3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 24, 25, 21, 22, 23, 28, 13, 14, 17, 18, 19};

// Columns: AS 1603 group (faces 0-4), AS 4428 (5), ZR9 (6), ZR9 fire brigade (7).
struct Row {
    int k;
    IndicatorBinding face[4];
};
const IndicatorBinding kNone{{"", ""}, kWhite};

const Row kRows[] = {
    {3,
     {{{"FFAlm_1603"}, kRed},
      {{"FFAlm_4428"}, kRed},
      {{"FireLed1", "FireLed2"}, kRed},
      {{"ZR9FBP_FireLED1", "ZR9FBP_FireLED2"}, kRed}}},
    {4, {{{"FFiso_1603"}, kAmber}, {{"FFiso_4428"}, kAmber}, {{"Fltled2"}, kAmber}, {{"ZR9FBP_FaultLED"}, kAmber}}},
    {5, {{{"FFflt_1603"}, kAmber}, {{"FFflt_4428"}, kAmber}, {{"Isoled2"}, kAmber}, {{"ZR9FBP_DisablesLED"}, kAmber}}},
    {6, {{{"Wsi_4428"}, kAmber}, {{"Wsi_4428"}, kAmber}, {{"SysFltLED"}, kAmber}, {{"ZR9FBP_SysFaultLED"}, kAmber}}},
    {7,
     {{{"Ebi_4428"}, kAmber},
      {{"Ebi_4428"}, kAmber},
      {{"BrigActLed"}, kRed},
      {{"ZR9FBP_AlarmRoutActivatedLED"}, kRed}}},
    {8,
     {{{"Sysf_1603"}, kAmber},
      {{"Sysf_4428"}, kAmber},
      {{"BrigFltIsoLed"}, kAmber},
      {{"ZR9FBP_AlarmRoutDisabledLED"}, kAmber}}},
    {9,
     {{{"Chgr_1603"}, kAmber},
      {{"Chgr_4428"}, kAmber},
      {{"WSActiveLed"}, kRed},
      {{"ZR9FBP_AlarmDevActivatedLED"}, kRed}}},
    {10,
     {{{"Mains_1603"}, kGreen},
      {{"Mains_4428"}, kGreen},
      {{"WSFltIsoLed"}, kAmber},
      {{"ZR9FBP_AlarmDevDisabledLED"}, kAmber}}},
    {11, {{{"Aif_4428"}, kAmber}, {{"Aif_4428"}, kAmber}, {{"PowerLED"}, kGreen}, {{"ZR9FBP_PowerLED"}, kGreen}}},
    {12, {kNone, kNone, {{"SilLED1", "SilLed2"}, kAmber}, {{"ZR9FBP_AIFLED"}, kAmber}}},
    {13, {kNone, kNone, {{"testLED1", "TestLED2"}, kAmber}, {{"ZR9FBP_TestLED"}, kAmber}}},
    {14, {kNone, kNone, {{"NextLED"}, kRed}, {{"ZR9FBP_NextLED"}, kRed}}},
    {17, {kNone, kNone, kNone, {{"ZR9FBP_FireProtActivatedLED"}, kRed}}},
    {18, {kNone, kNone, kNone, {{"ZR9FBP_SmokeCtrlActivatedLED"}, kRed}}},
    {19, {kNone, kNone, kNone, {{"ZR9FBP_SpareLED"}, kAmber}}},
    {21, {{{"NormalLed"}, kGreen}, {{"NormalLed"}, kGreen}, {{"NormalLed"}, kGreen}, {{"NormalLed"}, kGreen}}},
    {22, {{{"Fireled"}, kRed}, {{"Fireled"}, kRed}, {{"Fireled"}, kRed}, {{"Fireled"}, kRed}}},
    {23,
     {{{"DefectLed"}, kAmber}, {{"DefectLed"}, kAmber}, {{"ZRNZNormalLed"}, kGreen}, {{"ZR9FBP_NZNormalLED"}, kGreen}}},
    {24, {{{"Anciso_1603"}, kAmber}, {{"Anciso_1603"}, kAmber}, {{"ZRNZFireLed"}, kRed}, {{"ZR9FBP_NZFireLed"}, kRed}}},
    {25,
     {{{"belliso_1603"}, kAmber},
      {{"belliso_1603"}, kAmber},
      {{"ZRNZDefectLed"}, kAmber},
      {{"ZR9FBP_NZDefectLED"}, kAmber}}},
};

// Direct index by indicator number for the painter's hot path.
struct Index {
    std::array<const Row *, 100> byK{};
    Index()
    {
        for (const Row &r : kRows)
            byK[r.k] = &r;
    }
};
const Index &index()
{
    static const Index kIndex;
    return kIndex;
}
}  // namespace

LampHost lampHostOf(Container c)
{
    switch (c) {
    case Container::AS1603: return LampHost::AS1603;
    case Container::AS4428p: return LampHost::AS4428p;
    case Container::ZR9: return LampHost::ZR9;
    case Container::ZR9FBP: return LampHost::ZR9FBP;
    case Container::None: break;
    }
    return LampHost::NZDisplay;
}

std::span<const LampDef> allLamps() { return kLamps; }

const LampDef *findLamp(std::string_view name)
{
    for (const LampDef &l : kLamps)
        if (l.name == name)
            return &l;
    return nullptr;
}

std::span<const int> paintedIndicators() { return kPainted; }

const IndicatorBinding *bindingFor(int panelType, int k)
{
    if (panelType < 0 || panelType > 7 || k < 0 || k > 99)
        return nullptr;
    const Row *row = index().byK[k];
    if (!row)
        return nullptr;
    const int column = panelType <= 4 ? 0 : panelType - 4;
    const IndicatorBinding &b = row->face[column];
    return b.lamps[0].empty() ? nullptr : &b;
}

}  // namespace kordex
