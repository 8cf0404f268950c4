#pragma once
// IpcSettings: section IPC of Ombrix.Ini, which the service's control endpoint and the console's client both
// read, so that they meet at the same port.

constexpr char kSectionIpc[] = "IPC";
constexpr char kKeyServerPort[] = "ServerPort";
constexpr char kKeyLocalAddress[] = "LocalAddress";
/// The control protocol's UDP port on 127.0.0.1 when ServerPort is not set.
constexpr unsigned short kIpcDefaultServerPort = 63259;
/// Only the low 16 bits of ServerPort are a port.
constexpr unsigned kIpcPortMask = 0xFFFF;
