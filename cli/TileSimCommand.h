#pragma once

#include <QStringList>

// quillpad-cli tile-sim [--listen ADDR:PORT] [--mode MODE] [--max-age S]
int runTileSimCommand(const QStringList& args);
