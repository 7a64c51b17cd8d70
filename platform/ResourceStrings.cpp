#include "platform/ResourceStrings.h"

namespace ResourceStrings {

QString text(int id) {
    switch (id) {
    case Miles:
        return QStringLiteral("Miles");
    case Millimetres:
        return QStringLiteral("mm");
    case HundredthsOfAnInch:
        return QStringLiteral("100/inch");
    case Course:
        return QStringLiteral("Course");
    case SelectRadioPortFirst:
        return QStringLiteral("Select a RadioPort First!");
    case AddServerToList:
        return QStringLiteral("This APRSSErver is not in the List.\r\nShall i Added it?");
    case SelectServerOrCancel:
        return QStringLiteral("Please select Server or Cancel the Dialog!");
    case SelectItemFirst:
        return QStringLiteral("Select First an Item!");
    case LatitudeNeeded:
        return QStringLiteral("Latitude is needed!");
    case LongitudeNeeded:
        return QStringLiteral("Longitude is needed!");
    case DistanceNeeded:
        return QStringLiteral("Distance is needed!");
    case LatitudeRange:
        return QStringLiteral("Latitude must be between -90° to 90° Degrees");
    case LongitudeRange:
        return QStringLiteral("Longitude must be between -180° to 180° Degrees");
    case UpperLatitudeOrder:
        return QStringLiteral("Left Upper Latitude must be Less than right Lower Latitude");
    case UpperLongitudeOrder:
        return QStringLiteral("Left Upper Longitude must be Less than right Lower Longitude");
    case CallNotEmpty:
        return QStringLiteral("Call must not be Empty!");
    case BulletinNumberInUse:
        return QStringLiteral(
            "You already sent this Bulletin Number!\r\nResend This Bulletin using a different "
            "ID (e.g.BLN2).");
    case ColumnFrom:
        return QStringLiteral("From");
    case ColumnTo:
        return QStringLiteral("To");
    case ColumnMessage:
        return QStringLiteral("Message");
    case ColumnSequence:
        return QStringLiteral("Sequence");
    case ColumnTime:
        return QStringLiteral("Time");
    case ColumnPortNode:
        return QStringLiteral("Port/Node");
    case MessageKilled:
        return QStringLiteral("Message Has Been Killed!");
    case MessageKillFailed:
        return QStringLiteral("Failed to Kill Message!");
    case EmptyMessage:
        return QStringLiteral("I Cannot Send an Empty Message!");
    case NoAddressee:
        return QStringLiteral("I dont Know where to Send this Msg!");
    case ReplaceMapProject:
        return QStringLiteral("You have already a Main Map File in this View!\r\nDo you wish to Continue "
                              "Replacing this Map Project?");
    case MapAlreadyLoaded:
        return QStringLiteral("This Map Is Already Loaded!");
    case RemoveLayer:
        return QStringLiteral("Do you really wish to Remove this Layer?");
    case FixInvalid:
        return QStringLiteral("Invalid");
    case FixDifferential:
        return QStringLiteral("Differential Valid");
    case FixPps:
        return QStringLiteral("PPS Valid");
    case FixSps:
        return QStringLiteral("SPS Valid");
    default:
        return {};
    }
}

} // namespace ResourceStrings
