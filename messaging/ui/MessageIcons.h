#pragma once

#include <QIcon>

class QPainter;
class QRectF;

// The row pictograms of the message list by record status (0 addressed to the station, 1 bulletin,
// 3 acknowledged, 4 sent by the station, 5 stopped, 6 other traffic), drawn in code so they stay
// sharp at any device pixel ratio and readable on light and dark themes.
void paintMessageStatus(QPainter& painter, const QRectF& box, int status);
// The pictogram as an icon (16 and 32 pixels); unknown statuses draw as other traffic.
QIcon messageStatusIcon(int status);
