#include "cli/AprsIsSimulator.h"

#include "aprsis/Passcode.h"
#include "cli/SimSupport.h"

#include <QRegularExpression>
#include <QTcpSocket>

struct AprsIsSimulator::Client : SimServer::Client {
    ServerLineReader reader;
    bool loggedIn = false;
};

AprsIsSimulator::AprsIsSimulator(QObject* parent)
    : QObject(parent),
      m_server(
          this, [] { return std::make_unique<Client>(); }, [this](SimServer::Client* c) { onClientData(c); },
          [](SimServer::Client* c) { c->socket->write("# quillpad-cli aprsis-sim 1.0\r\n"); }) {
    m_server.log = [this](const QString& text) { say(text); };
    m_server.onReplayLine = [this](const QString& line) {
        say(QStringLiteral("TX ") + line);
        sendLine(line.toUtf8());
    };
}

AprsIsSimulator::~AprsIsSimulator() {
    close();
}

void AprsIsSimulator::say(const QString& text) {
    if (log) log(text);
}

bool AprsIsSimulator::isValidLogin(const QByteArray& line) {
    static const QRegularExpression form(QStringLiteral("^user \\S{1,9} pass \\S+ vers \\S+ \\S+ ?.*$"));
    return form.match(QString::fromUtf8(line)).hasMatch();
}

void AprsIsSimulator::onClientData(SimServer::Client* base) {
    auto* client = static_cast<Client*>(base);
    const QByteArray bytes = client->socket->readAll();
    std::vector<QByteArray> lines;
    client->reader.feed(bytes, lines);
    if (client->loggedIn) m_receivedBytes += bytes;
    for (const QByteArray& line : lines) {
        if (!client->loggedIn) {
            client->loggedIn = true;
            m_logins << line;
            const bool valid = isValidLogin(line);
            say(QStringLiteral("LOGIN %1 %2")
                    .arg(valid ? QStringLiteral("ok") : QStringLiteral("MALFORMED"),
                         SimSupport::printable(line)));
            // Like a real server: a login counts (verified) only with the call's passcode.
            const QList<QByteArray> words = line.split(' ');
            const QByteArray call = words.value(1);
            const bool verified =
                valid && words.value(3) == QByteArray::number(aprsPasscode(QString::fromUtf8(call)));
            client->socket->write("# logresp " + call +
                                  (!valid     ? " refused"
                                   : verified ? " verified"
                                              : " unverified") +
                                  ", server QPSIM\r\n");
            emit clientLoggedIn(line);
            m_server.startReplay();
            continue;
        }
        m_received << line;
        say(QStringLiteral("RX ") + SimSupport::printable(line));
        emit lineFromClient(line);
    }
}

void AprsIsSimulator::sendLine(const QByteArray& line) {
    sendRaw(line + "\r\n");
}

void AprsIsSimulator::sendRaw(const QByteArray& bytes) {
    for (const auto& c : m_server.clients())
        if (static_cast<const Client&>(*c).loggedIn) c->socket->write(bytes);
}
