# The help page's languages, in the order of HelpPagePieces (English first),
# its four pieces, written one after the other, and its two pictures.
set(TAVRIN_HELP_LANGUAGES en de fr es nl it sv)
set(TAVRIN_HELP_PIECE_NAMES 1-configure.html 2-connect.html 3-troubleshooting.html 4-end.html)
set(TAVRIN_HELP_PICTURE_NAMES current.gif menu.gif)
