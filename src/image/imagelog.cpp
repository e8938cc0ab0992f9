#include "imagelog.h"

Q_LOGGING_CATEGORY(lcImage, "korvane.image", QtWarningMsg)
