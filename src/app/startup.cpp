#include "startup.h"

#include <QApplication>

int sonaveoMain(int argc, char **argv)
{
    QApplication app(argc, argv);
    return 0;
}
