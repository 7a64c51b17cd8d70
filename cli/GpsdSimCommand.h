#pragma once

#include <QStringList>

// quillpad-cli gpsd-sim [--listen ADDR:PORT] --track FILE [--rate N] [--loop]
// (arguments after the command word). A gpsd on loopback that plays a track file.
int runGpsdSimCommand(const QStringList& args);
