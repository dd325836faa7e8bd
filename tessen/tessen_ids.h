#pragma once
// Identifiers and descriptions of the terminal control, as hosts and the class
// registry know them. They never change: stored registrations depend on them.

namespace tessen {

inline constexpr const char* kTypeLibraryId = "{1D358E62-0927-11D3-B172-00C02631EA6A}";
inline constexpr const char* kTypeLibraryName = "TESSENLib";
inline constexpr const char* kTypeLibraryVersion = "1.0";
inline constexpr const char* kTypeLibraryHelpFile = "Tessen.hlp";
inline constexpr const char* kDispatchInterfaceId = "{1D358E63-0927-11D3-B172-00C02631EA6A}";
inline constexpr const char* kEventInterfaceId = "{1D358E64-0927-11D3-B172-00C02631EA6A}";
inline constexpr const char* kControlClassId = "{1D358E65-0927-11D3-B172-00C02631EA6A}";
inline constexpr const char* kPropertyPageClassId = "{1D358E66-0927-11D3-B172-00C02631EA6A}";

inline constexpr const char* kTypeLibraryDescription = "Omberon Tessen ActiveX Control module";
inline constexpr const char* kDispatchDescription = "Dispatch interface for Omberon Tessen Control";
inline constexpr const char* kEventDescription = "Event interface for Omberon Tessen Control";
inline constexpr const char* kControlDescription = "Omberon Tessen Control";

inline constexpr const char* kControlProgramId = "Omberon Tessen Control";
inline constexpr const char* kControlTypeName = "Omberon Tessen AxtiveX Control";
inline constexpr const char* kPropertyPageProgramId = "Omberon Tessen Property Page";
inline constexpr const char* kPropertyPageTypeName = "Omberon Tessen Property Page";
inline constexpr const char* kThreadingModel = "Apartment";

// OLEMISC_SETCLIENTSITEFIRST | INVISIBLEATRUNTIME | ACTIVATEWHENVISIBLE |
// INSIDEOUT | CANTLINKINSIDE | RECOMPOSEONRESIZE
inline constexpr unsigned kMiscStatus = 0x00020591;

// The file the monitor loads the control from when it is not registered.
inline constexpr const char* kLibraryFileName = "libtessen.so";

}  // namespace tessen
