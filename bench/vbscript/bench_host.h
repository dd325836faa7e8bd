#pragma once
// The host object both engines call into.

#include <QObject>

class BenchHost : public QObject {
    Q_OBJECT
public:
    Q_INVOKABLE int Add(int a, int b) { return a + b; }
};
