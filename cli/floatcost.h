#ifndef LOOPCOST_CLI_FLOATCOST_H
#define LOOPCOST_CLI_FLOATCOST_H

class Polynomial;

// Whether every coefficient of the library's float cost is a finite number.
bool isFinite(const Polynomial& cost);

#endif
