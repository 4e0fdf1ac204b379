#pragma once
// The program's entry sequence.

int sonaveoMain(int argc, char **argv);
