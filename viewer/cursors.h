// Screen cursors by number, as the viewer and its mouse handlers name them.
// The open and closed hands (100 and 101) are images of our own, registered
// the first time they are asked for; the other numbers map to the desktop's
// standard shapes.
#pragma once

#include <QCursor>

using TCursor = int;

inline constexpr TCursor crDefault = 0;
inline constexpr TCursor crCross = -3;
inline constexpr TCursor crSizeNESW = -6;
inline constexpr TCursor crSizeNS = -7;
inline constexpr TCursor crSizeNWSE = -8;
inline constexpr TCursor crSizeWE = -9;
inline constexpr TCursor crHourGlass = -11;
inline constexpr TCursor crHelp = -20;
inline constexpr TCursor crOpenHand = 100;
inline constexpr TCursor crClosedHand = 101;

// The cursor registered under a number (the arrow for unknown numbers).
QCursor CursorOf(TCursor cursor);
// Sets a widget's cursor; crDefault lets the widget show its parent's cursor.
void SetWidgetCursor(QWidget& widget, TCursor cursor);
// The widget's cursor as a number (crDefault when it shows its parent's;
// 1 for a shape with no number here).
TCursor WidgetCursor(const QWidget& widget);

// The screen cursor overrides every widget's cursor while it is not
// crDefault (the application's override cursor).
TCursor ScreenCursor();
void SetScreenCursor(TCursor cursor);
