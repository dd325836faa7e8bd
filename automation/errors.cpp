#include "automation/errors.h"

namespace automation {

QString standardDescription(int number)
{
    switch (number) {
    case error::kInvalidCall: return QStringLiteral("Invalid procedure call or argument");
    case error::kOverflow: return QStringLiteral("Overflow");
    case error::kOutOfMemory: return QStringLiteral("Out of memory");
    case error::kSubscriptOutOfRange: return QStringLiteral("Subscript out of range");
    case error::kDivisionByZero: return QStringLiteral("Division by zero");
    case error::kTypeMismatch: return QStringLiteral("Type mismatch");
    case error::kOutOfStack: return QStringLiteral("Out of stack space");
    case error::kInvalidUseOfNull: return QStringLiteral("Invalid use of Null");
    case error::kReadOnly: return QStringLiteral("Unable to write read-only property.");
    case error::kObjectRequired: return QStringLiteral("Object required");
    case error::kCannotCreateObject: return QStringLiteral("ActiveX component can't create object");
    case error::kNoSuchMember: return QStringLiteral("Object doesn't support this property or method");
    case error::kWrongArgumentCount:
        return QStringLiteral("Wrong number of arguments or invalid property assignment");
    case error::kObjectDisconnected:
        return QStringLiteral("The remote server machine does not exist or is unavailable");
    default: return {};
    }
}

AutomationError::AutomationError(int number, QString description, QString source)
    : number_(number), description_(std::move(description)), source_(std::move(source)),
      what_(description_.toStdString())
{
}

AutomationError::AutomationError(int number) : AutomationError(number, standardDescription(number)) {}

AutomationError AutomationError::readOnly()
{
    return AutomationError(error::kReadOnly);
}

}  // namespace automation
