#pragma once
// A named meeting point of one program in the user's session: it keeps a second copy of the
// program from starting, and it receives the setup's quit request.
//
// On Linux it is a Unix socket in $CORVELA_RUNTIME_DIR (else $XDG_RUNTIME_DIR/corvela),
// reachable by the user and by root only. A quit request is the line
// "QUIT <wParam> <lParam>" with the two numbers in decimal; the receiver checks them.

#include <QObject>
#include <QString>

#include <cstdint>

class QLocalServer;

namespace corvela {

inline constexpr QStringView kConsoleEndpoint = u"TFCorvelaTeacher";
inline constexpr QStringView kAgentEndpoint = u"TFCorvela";

QString SessionEndpointDirectory();
QString SessionEndpointPath(QStringView name);

class SessionEndpoint : public QObject
{
    Q_OBJECT
public:
    explicit SessionEndpoint(QString name, QObject *parent = nullptr);
    ~SessionEndpoint() override;

    // Whether a live program holds the endpoint of that name in this session.
    static bool isHeld(QStringView name);
    // Sends a quit request to the program holding the endpoint at path; false when none.
    static bool sendQuitRequest(const QString &path, std::int32_t wParam, std::int32_t lParam);

    // Takes the endpoint (removing a stale one left by a program that died). False when a
    // live program holds it.
    bool listen();
    void close();
    bool isListening() const;

signals:
    void quitRequested(std::int32_t wParam, std::int32_t lParam);

private:
    void onConnection();

    QString m_name;
    QLocalServer *m_server;
};

} // namespace corvela
