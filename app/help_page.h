// The help page: one HTML page and two pictures carried in the program.
#pragma once

// Writes "<productName> Help.html", "current.gif" and "menu.gif" into the
// current directory when the page is not there yet, then opens the page with
// the program the system uses for HTML files. Nothing is reported: a page
// that cannot be created, or a current directory too long for the page's
// name, ends the call with nothing written and nothing opened.
void openHelpPage(const char* productName);
