#pragma once
// Errors raised through the automation layer. Numbers are the ones VBScript
// reports, so an engine can hand them to a script as they are.

#include <QString>
#include <exception>
#include <string>

namespace automation {

namespace error {
inline constexpr int kInvalidCall = 5;            // Invalid procedure call or argument
inline constexpr int kOverflow = 6;
inline constexpr int kOutOfMemory = 7;
inline constexpr int kSubscriptOutOfRange = 9;
inline constexpr int kDivisionByZero = 11;
inline constexpr int kTypeMismatch = 13;
inline constexpr int kOutOfStack = 28;
inline constexpr int kInvalidUseOfNull = 94;
inline constexpr int kReadOnly = 383;             // "Unable to write read-only property."
inline constexpr int kObjectRequired = 424;
inline constexpr int kCannotCreateObject = 429;
inline constexpr int kNoSuchMember = 438;         // Object doesn't support this property or method
inline constexpr int kWrongArgumentCount = 450;   // Wrong number of arguments or invalid property assignment
inline constexpr int kObjectDisconnected = 462;   // The remote server machine does not exist or is unavailable
}  // namespace error

// The standard description of an error number, or an empty text for numbers
// without one.
QString standardDescription(int number);

class AutomationError : public std::exception {
public:
    AutomationError(int number, QString description, QString source = {});
    // An error with its standard description.
    explicit AutomationError(int number);

    int number() const { return number_; }
    const QString& description() const { return description_; }
    const QString& source() const { return source_; }
    const char* what() const noexcept override { return what_.c_str(); }

    static AutomationError readOnly();

private:
    int number_;
    QString description_;
    QString source_;
    std::string what_;
};

}  // namespace automation
