# ombrixaux: every parser of what the system answers (TCP/IP stack replies, the DHCP client's lease table,
# registry texts, the dial-up entry record, the password form), the stack method on scripted answers, and
# the registry methods on a registry built from the input.
foreach(target aux_stack_fuzz aux_tdi_fuzz aux_vdhcp_fuzz aux_text_fuzz aux_password_fuzz aux_entry_fuzz
               aux_registry_fuzz)
  string(REGEX REPLACE "_fuzz$" "" corpus ${target})
  ombrix_fuzz(${target} ${CMAKE_CURRENT_LIST_DIR}/${target}.cpp
    LIBS ombrix_aux_fakes CORPUS ${CMAKE_CURRENT_LIST_DIR}/corpus/${corpus})
  target_include_directories(${target} PRIVATE ${CMAKE_CURRENT_LIST_DIR})
endforeach()
