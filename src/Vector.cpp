#include "Vector.h"

#include <iostream>

void print(std::ostream& os, const Vector& v) {
  os << v.X() << "  " << v.Y() << "  " << v.Z() << "  ";
}

void print(Vector& v) { print(std::cout, v); }
