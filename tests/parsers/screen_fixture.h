#pragma once
// Router screens for the parser tests: the committed fixtures, and blank
// screens painted field by field.

#include "korvane/router/status_parser.h"

#include <QFile>
#include <QString>

#include <gtest/gtest.h>

inline QString fixtureScreen(const char* name)
{
    QFile file(QStringLiteral(KORVANE_SOURCE_DIR "/tests/parsers/fixtures/") + QLatin1String(name));
    if (!file.open(QIODevice::ReadOnly)) {
        ADD_FAILURE() << "missing fixture " << name;
        return {};
    }
    return QString::fromLatin1(file.readAll());
}

// A blank screen (24 rows of spaces with their CR LF) to paint on.
class PaintedScreen {
public:
    PaintedScreen()
    {
        for (int row = 0; row < kScreenRows; ++row)
            text_ += QString(kScreenColumns, u' ') + QStringLiteral("\r\n");
    }
    explicit PaintedScreen(QString text) : text_(std::move(text)) {}

    PaintedScreen& put(int row, int column, const QString& s)
    {
        text_.replace((row - 1) * kScreenRowStride + column - 1, s.size(), s);
        return *this;
    }
    PaintedScreen& blankRow(int row) { return put(row, 1, QString(kScreenColumns, u' ')); }
    const QString& text() const { return text_; }

private:
    QString text_;
};
