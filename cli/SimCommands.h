#pragma once

#include <QStringList>

// quillpad-cli engine-sim / aprsis-sim / passcode (arguments after the command word).
int runEngineSimCommand(const QStringList& args);
int runAprsIsSimCommand(const QStringList& args);
int runPasscodeCommand(const QStringList& args);
