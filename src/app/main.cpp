#include "app/startup.h"

int main(int argc, char **argv)
{
    return sonaveoMain(argc, argv);
}
