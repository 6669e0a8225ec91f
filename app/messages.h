// The application's message boxes: each is modal, carries the application's
// title and an OK button, and differs only in its icon.
#pragma once

#include <QString>
#include <exception>
#include <string_view>

class QWidget;

// The title of the application, shown on its message boxes.
inline const QString kApplicationTitle = QStringLiteral("OCR Evaluation Tool");

// Windows-1252 text as Qt shows it: every line end (CR LF, or a CR alone) a
// line feed.
QString QtText(std::string_view ansi);

// A plain message without an icon.
void ShowMessage(QWidget* parent, const QString& text);
void ShowInformation(QWidget* parent, const QString& text);
void ShowWarning(QWidget* parent, const QString& text);
// The standard error box for an exception that ended a command.
void ShowException(QWidget* parent, const std::exception& e);
