#pragma once

// The program's identity towards the data service, one set for the whole
// program. The product identifier also names the settings file and, upper
// cased, seeds the digit key; the request version also seeds the settings
// file's scramble key.
inline constexpr char ProductIdentifier[] = "vmkrosd";
inline constexpr char SoftwareNumber[] = "6";
inline constexpr char RequestVersion[] = "1.06";
