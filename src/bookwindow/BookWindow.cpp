// The book window's hold on its book (filled in next).
#include "bookwindow/BookWindow.h"
