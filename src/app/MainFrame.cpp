// The main window's behaviour (filled in next).
#include "app/MainFrame.h"
