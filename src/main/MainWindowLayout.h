#pragma once
// The main window's make-up at design size, before any start-up step: one
// function per bar, menu and pane. Each creates its components as children
// of the window and keeps them in the window's fields; the window connects
// their events itself.

class TForm1;

// The placeholder pictures' size: each shows the background picture whole.
constexpr int PlaceholderWidth = 465;
constexpr int PlaceholderHeight = 417;

// The window itself: name, icon, font, design size and minimum size.
void BuildWindow(TForm1& form);
// The actions behind the bars' items, with their shortcuts and pictures.
void BuildActions(TForm1& form);
// The menu bar with its Edit and Help menus, and the "Use EXIF" box over
// its row.
void BuildMenuBar(TForm1& form);
// The tool bar, its items running from the right edge.
void BuildToolBar(TForm1& form);
// Folder tree | splitter | list pane, and in the list pane the placeholder
// pictures shown until the first activation.
void BuildPanes(TForm1& form);
// The status bar, and the progress bar that joins it at creation.
void BuildStatusBar(TForm1& form);

// Labels the "Use EXIF" box and the bars' items with the texts of the
// language at this string-table offset.
void LabelBars(TForm1& form, int languageOffset);
