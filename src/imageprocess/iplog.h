#pragma once

#include <QLoggingCategory>

// Switched on with QT_LOGGING_RULES="korvane.imageprocess.debug=true".
Q_DECLARE_LOGGING_CATEGORY(lcImageProcess)
