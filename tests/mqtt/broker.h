#pragma once
// A real Mosquitto broker for the tests, on a free loopback port with a
// configuration of the test's own, and a subscriber that records every
// message it gets (retained or not) from a thread of libmosquitto's own.

#include <mosquitto.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QList>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <cstdio>
#include <functional>
#include <mutex>

#include <csignal>
#include <sys/prctl.h>

namespace korvane::test {

inline bool waitUntil(const std::function<bool()>& done, int limitMs) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < limitMs)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    return done();
}

inline quint16 freeLoopbackPort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

// Whether something listens on the loopback port, within limitMs.
inline bool portOpen(quint16 port, int limitMs) {
    return waitUntil([port] {
        QTcpSocket probe;
        probe.connectToHost(QHostAddress::LocalHost, port);
        return probe.waitForConnected(100);
    }, limitMs);
}

class Broker {
public:
    // users: "name:password" pairs; none lets anyone in. extra: more lines
    // of configuration.
    bool start(quint16 port = 0, const QStringList& users = {}, const QByteArray& extra = {}) {
        port_ = port ? port : freeLoopbackPort();
        QByteArray conf = "listener " + QByteArray::number(port_) + " 127.0.0.1\npersistence false\n"
                          // Run as root (CI), it would switch to a user that cannot read this folder.
                          "user root\n";
        if (users.isEmpty()) {
            conf += "allow_anonymous true\n";
        } else {
            const QString passwords = dir_.filePath(QStringLiteral("passwords"));
            QFile::remove(passwords);
            for (const QString& user : users) {
                QStringList args{QStringLiteral("-b")};
                if (!QFile::exists(passwords))
                    args << QStringLiteral("-c");
                args << passwords << user.section(QLatin1Char(':'), 0, 0) << user.section(QLatin1Char(':'), 1);
                if (QProcess::execute(QStringLiteral("mosquitto_passwd"), args) != 0)
                    return false;
            }
            conf += "allow_anonymous false\npassword_file " + passwords.toLocal8Bit() + "\n";
        }
        conf += extra;
        QFile file(dir_.filePath(QStringLiteral("mosquitto.conf")));
        if (!file.open(QIODevice::WriteOnly) || file.write(conf) != conf.size())
            return false;
        file.close();
        process_.setProcessChannelMode(QProcess::MergedChannels);
        // A test that crashes or times out takes its broker with it.
        process_.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
        process_.start(QStringLiteral("mosquitto"), {QStringLiteral("-c"), file.fileName()});
        if (!process_.waitForStarted(5000))
            return false;
        // Listening once a connection is taken.
        return waitUntil([this] {
            if (process_.state() != QProcess::Running)
                return true;
            QTcpSocket probe;
            probe.connectToHost(QHostAddress::LocalHost, port_);
            return probe.waitForConnected(100);
        }, 10000) && process_.state() == QProcess::Running;
    }
    void stop() {
        if (process_.state() == QProcess::NotRunning)
            return;
        process_.terminate();
        if (!process_.waitForFinished(5000)) {
            process_.kill();
            process_.waitForFinished(2000);
        }
    }
    ~Broker() { stop(); }
    quint16 port() const { return port_; }
    QByteArray log() { return process_.readAll(); }

private:
    QTemporaryDir dir_;
    QProcess process_;
    quint16 port_ = 0;
};

struct Received {
    QString topic;
    QByteArray payload;
    bool retained = false;
};

class Subscriber {
public:
    Subscriber() {
        mosquitto_lib_init();
        mosq_ = mosquitto_new(nullptr, true, this);
        mosquitto_message_callback_set(mosq_, [](mosquitto*, void* self, const mosquitto_message* m) {
            auto* s = static_cast<Subscriber*>(self);
            std::lock_guard<std::mutex> lock(s->mutex_);
            s->messages_.append({QString::fromUtf8(m->topic),
                                 QByteArray(static_cast<const char*>(m->payload), m->payloadlen), m->retain});
        });
        mosquitto_connect_callback_set(mosq_, [](mosquitto* m, void* self, int rc) {
            if (rc == 0)
                mosquitto_subscribe(m, nullptr, static_cast<Subscriber*>(self)->pattern_.constData(), 1);
        });
    }
    ~Subscriber() {
        mosquitto_disconnect(mosq_);
        mosquitto_loop_stop(mosq_, false);
        mosquitto_destroy(mosq_);
    }
    // Subscribes (again after each reconnect) to pattern.
    bool connect(quint16 port, const QByteArray& pattern = "#") {
        pattern_ = pattern;
        mosquitto_reconnect_delay_set(mosq_, 1, 1, false);
        const int rc = mosquitto_connect(mosq_, "127.0.0.1", port, 30);
        if (rc != MOSQ_ERR_SUCCESS) {
            std::fprintf(stderr, "subscriber: cannot connect to port %d: %s\n", int(port), mosquitto_strerror(rc));
            return false;
        }
        return mosquitto_loop_start(mosq_) == MOSQ_ERR_SUCCESS;
    }
    QList<Received> messages() {
        std::lock_guard<std::mutex> lock(mutex_);
        return messages_;
    }
    void clear() {
        std::lock_guard<std::mutex> lock(mutex_);
        messages_.clear();
    }
    // The last payload on topic; null when none came.
    QByteArray last(const QString& topic) {
        std::lock_guard<std::mutex> lock(mutex_);
        for (qsizetype i = messages_.size() - 1; i >= 0; --i)
            if (messages_[i].topic == topic)
                return messages_[i].payload.isNull() ? QByteArray("") : messages_[i].payload;
        return {};
    }
    int count(const QString& topic) {
        std::lock_guard<std::mutex> lock(mutex_);
        int n = 0;
        for (const Received& m : messages_)
            n += m.topic == topic;
        return n;
    }
    bool waitFor(const QString& topic, const QByteArray& payload, int limitMs = 10000) {
        return waitUntil([&] { return last(topic) == payload; }, limitMs);
    }

private:
    mosquitto* mosq_ = nullptr;
    QByteArray pattern_;
    std::mutex mutex_;
    QList<Received> messages_;
};

}  // namespace korvane::test
