#include "PortForwards.h"

void CPortForwards::SendStored() {}
