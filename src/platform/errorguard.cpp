#include "errorguard.h"

#include <QDebug>

void showException(std::exception_ptr error)
{
    try {
        std::rethrow_exception(error);
    } catch (const Exception &e) {
        dialogs().showError(e.Message());
    } catch (const std::exception &e) {
        dialogs().showError(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        dialogs().showError(QStringLiteral("Unknown error"));
    }
}
