// The identifiers of the module server's own type library (LIBID_Quorvel, IID_ITQuorvel,
// CLSID_TQuorvel) and the declaration of ITQuorvel, generated from Quorvel.idl. Modules are
// created through the creator, never through this unit.
#pragma once
#include <windows.h>
#include <ole2.h>
#include "Quorvel_h.h"
