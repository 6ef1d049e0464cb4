// The help page: one HTML page and two pictures carried in the program.
#pragma once

// Writes "<productName> Help.html" and its two pictures ("current.gif" and
// "menu.gif" in English, "current-de.gif" and "menu-de.gif" in German) into
// the current directory when the page of this version and language is not
// there yet, then opens the page with
// the program the system uses for HTML files. When the current directory
// cannot take the page (the page cannot be created there, or the directory
// is too long for its name), the same happens in the folder productName in
// the user's local application data folder. Nothing is reported: when
// neither folder takes the page, nothing is written and nothing opened.
void openHelpPage(const char* productName);
