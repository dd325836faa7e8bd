#include "korvane/monitor/password_source.h"

#include <QFile>

#include <cstring>

namespace korvane {

namespace {
QString withoutLineEnd(QByteArray line) {
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    return QString::fromUtf8(line);
}
}  // namespace

bool readPasswordLine(const QString& source, QString* password, QString* error, FILE* input) {
    if (source == QLatin1String("-")) {
        QByteArray line;
        for (int c; (c = std::fgetc(input)) != EOF && c != '\n';)
            line.append(char(c));
        if (line.isEmpty() && std::feof(input)) {
            *error = QStringLiteral("no password on standard input");
            return false;
        }
        *password = withoutLineEnd(line);
        return true;
    }
    QFile file(source);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read the password file \"%1\": %2").arg(source, file.errorString());
        return false;
    }
    // A password is short; a huge file is a mistake, not a password.
    *password = withoutLineEnd(file.readLine(4096));
    return true;
}

int scrubOptionValues(int argc, char** argv, const char* option) {
    const std::size_t length = std::strlen(option);
    int scrubbed = 0;
    for (int i = 1; i < argc; ++i) {
        char* arg = argv[i];
        if (!arg || std::strncmp(arg, "--", 2) != 0 || std::strncmp(arg + 2, option, length) != 0)
            continue;
        char* rest = arg + 2 + length;
        if (*rest == '=') {
            std::memset(rest + 1, 0, std::strlen(rest + 1));
            ++scrubbed;
        } else if (*rest == '\0' && i + 1 < argc && argv[i + 1]) {
            std::memset(argv[i + 1], 0, std::strlen(argv[i + 1]));
            ++i;
            ++scrubbed;
        }
    }
    return scrubbed;
}

}  // namespace korvane
