# Scripts of queries, answers (true, forged and mangled) and clock steps through the DNS relay engine.
ombrix_fuzz(dns_relay_fuzz ${CMAKE_CURRENT_LIST_DIR}/dns_relay_fuzz.cpp
  LIBS ombrix_dns_engine CORPUS ${CMAKE_CURRENT_LIST_DIR}/corpus/dns_relay)
