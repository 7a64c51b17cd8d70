#pragma once

#include <QString>
#include <functional>
#include <initializer_list>
#include <span>

class QMenu;
class QWidget;

// A popup menu of commands in the given order (Command::Separator draws a line): each entry shows
// the command's text, carries its id as data and hands the id to `run` when chosen. Entries for
// which `checkable` answers true are checkable.
QMenu* makeCommandMenu(QWidget* owner, const QString& title, const QString& objectName, int menuId,
                       std::span<const int> ids, const std::function<void(int)>& run,
                       const std::function<bool(int)>& checkable = {});
