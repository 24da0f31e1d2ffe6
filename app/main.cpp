// Start-up: the application, the one window, the message loop.
#include "application.h"
#include "uFormMain.h"

#include <QIcon>

#include <cstdio>
#include <exception>

namespace {

void Run(int argc, char** argv)
{
    TApplication application(argc, argv);
    application.setWindowIcon(QIcon(QStringLiteral(":/tarnwell.png")));
    try {
        TFormMain FormMain;
        FormMain.show();
        application.exec();
    } catch (const std::exception& e) {
        TApplication::ShowException(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        TApplication::ShowException(QString());
    }
}

}  // namespace

int main(int argc, char** argv)
{
    // Without an application object there is no dialog to show; stderr is all that is left.
    try {
        Run(argc, argv);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tarnwell: %s\n", e.what());
    } catch (...) {
        std::fputs("tarnwell: unknown error\n", stderr);
    }
    return 0;
}
