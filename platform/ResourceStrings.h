#pragma once

#include <QString>

// The station's user-facing texts, by their resource numbers, so every dialog, prompt and view
// shows the same words for the same thing.
namespace ResourceStrings {
enum Id : int {
    Miles = 10,
    Millimetres = 16,
    HundredthsOfAnInch = 17,
    Course = 111,
    SelectRadioPortFirst = 146,
    AddServerToList = 147,
    SelectServerOrCancel = 148,
    SelectItemFirst = 153,
    LatitudeNeeded = 154,
    LongitudeNeeded = 155,
    DistanceNeeded = 156,
    LatitudeRange = 157,
    LongitudeRange = 158,
    UpperLatitudeOrder = 159,
    UpperLongitudeOrder = 160,
    CallNotEmpty = 161,
    BulletinNumberInUse = 162,
    ColumnFrom = 163,
    ColumnTo = 164,
    ColumnMessage = 165,
    ColumnSequence = 166,
    ColumnTime = 167,
    ColumnPortNode = 168,
    MessageKilled = 169,
    MessageKillFailed = 170,
    EmptyMessage = 171,
    NoAddressee = 172,
    ReplaceMapProject = 181,
    MapAlreadyLoaded = 182,
    RemoveLayer = 183,
    FixInvalid = 184,
    FixDifferential = 185,
    FixPps = 186,
    FixSps = 187,
};

// The text of a resource string; empty for an unknown number.
QString text(int id);
} // namespace ResourceStrings
