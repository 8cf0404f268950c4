# Random datagrams through the service's request decoder and dispatch table, against a fake service.
ombrix_fuzz(ipc_dispatch_fuzz ${CMAKE_CURRENT_LIST_DIR}/ipc_dispatch_fuzz.cpp
  LIBS ombrix_ipc_dispatch ombrix_service_control_fake CORPUS ${CMAKE_CURRENT_LIST_DIR}/corpus/ipc_dispatch)
