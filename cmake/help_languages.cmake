# The help page's languages, in the order of HelpPagePieces (English first),
# and its four pieces, written one after the other.
set(TAVRIN_HELP_LANGUAGES en de fr es nl it sv)
set(TAVRIN_HELP_PIECE_NAMES 1-configure.html 2-connect.html 3-troubleshooting.html 4-end.html)
