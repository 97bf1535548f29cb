#include "Unit1.h"

void TForm1::A_renameExecute() {}
