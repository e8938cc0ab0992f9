#include "iplog.h"

Q_LOGGING_CATEGORY(lcImageProcess, "korvane.imageprocess", QtWarningMsg)
