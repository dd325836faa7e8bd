#pragma once
// The control's error vocabulary, shared with the syslog receiver through
// the automation layer.

#include "automation/socket_errors.h"

namespace tessen {

using automation::kConnectionRefused;
using automation::kConnectionReset;
using automation::kInProgress;
using automation::kInvalidArgument;
using automation::kTimedOut;
using automation::kWouldBlock;
using automation::socketErrorFromErrno;
using automation::socketErrorText;

}  // namespace tessen
