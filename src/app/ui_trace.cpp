#include "app/ui_trace.h"

Q_LOGGING_CATEGORY(lcUi, "velkor.ui", QtWarningMsg)
