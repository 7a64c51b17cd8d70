#pragma once

#include <QString>

// What a typed message must be before it is queued: the addressee a call sign, the text printable
// and free of the characters APRS messages give a meaning of their own, the path calls separated
// by commas. Each check gives the reason to show the user, or an empty text when all is well.
namespace MessageTextCheck {

// Most stations show no more of a message than this.
inline constexpr int kShownLength = 67;

QString addresseeProblem(const QString& to);
QString textProblem(const QString& text);
QString pathProblem(const QString& path);
// The first problem of the three, in that order, or empty.
QString problem(const QString& to, const QString& text, const QString& path);

// The path as it goes out: upper case, blanks around the commas removed.
QString normalisedPath(const QString& path);

// The warning under a text longer than kShownLength; empty for a shorter one.
QString lengthWarning(const QString& text);

} // namespace MessageTextCheck
