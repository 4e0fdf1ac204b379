#include "platform/errorguard.h"

#include <QDebug>

QString exceptionText(std::exception_ptr error)
{
    try {
        std::rethrow_exception(error);
    } catch (const Exception &e) {
        return e.Message();
    } catch (const std::exception &e) {
        return QString::fromLocal8Bit(e.what());
    } catch (...) {
        return QStringLiteral("Unknown error");
    }
}

QString exceptionPlace(std::exception_ptr error)
{
    try {
        std::rethrow_exception(error);
    } catch (const Exception &e) {
        return e.Where();
    } catch (...) {
        return QString();
    }
}

void showException(std::exception_ptr error) { dialogs().showError(exceptionText(error), exceptionPlace(error)); }
