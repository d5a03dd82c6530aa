#pragma once
// Messages and text files of lumora-sweep, shared by its running and its
// script parts.

#include <QString>

namespace sweepio {
// The text and a newline on standard error, at once.
void printError(const QString &text);
// Writes the text atomically; false when it cannot.
bool writeText(const QString &fileName, const QString &text);
} // namespace sweepio
