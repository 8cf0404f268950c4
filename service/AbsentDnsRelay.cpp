#include "AbsentDnsRelay.h"

bool CAbsentDnsRelay::Start() { return false; }
bool CAbsentDnsRelay::Stop() { return false; }
bool CAbsentDnsRelay::IsRunning() const { return false; }
void CAbsentDnsRelay::CloseInternetSocket() {}
void CAbsentDnsRelay::ExpireQueries() {}
uint32_t CAbsentDnsRelay::LanAddress() const { return 0; }
