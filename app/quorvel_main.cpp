// The desktop program quorvel.
#include <QApplication>
#include <csignal>
#include <string>
#include <vector>

#include "app/lumarc_app.h"

int main(int argc, char** argv) {
    std::signal(SIGPIPE, SIG_IGN);  // a serial device that vanishes must not end the program
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorvel"));
    QApplication::setOrganizationName(QStringLiteral("TEVRA"));
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        args.emplace_back(argv[i]);
    }
    return quorvel::app::CLumarcApp().run(args);
}
