# What ships must never carry a stand-in, a fake or a test library: the deliverables' link closures are
# checked twice, from the targets as configured (ombrix_check_link_closure, at the end of the configure step,
# which then fails) and from the generated build (the ctest entry deliverable_link_closure, which reads the
# CMake file API's code model: see check-link-closure.cmake beside this file).
#
# A target is test-only when it is defined under testbed/, or when its name contains fake, test, stand-in
# (standin, stand_in) or gtest.

set(OMBRIX_TEST_ONLY_NAME_REGEX "fake|test|stand[-_]?in|gtest")
set(OMBRIX_LINK_CLOSURE_SCRIPT ${CMAKE_CURRENT_LIST_DIR}/check-link-closure.cmake)

# Every name a link item can stand for: the item itself, or each name inside a generator expression (whose
# condition cannot be known here, so each candidate counts).
function(_ombrix_closure_items item out)
  if(item MATCHES "^::@")  # the directory marker of a link made from another directory
    set(${out} "" PARENT_SCOPE)
    return()
  endif()
  if(item MATCHES "\\$<")
    string(REGEX MATCHALL "[A-Za-z0-9_.+:-]+" names "${item}")
    set(${out} ${names} PARENT_SCOPE)
  else()
    set(${out} ${item} PARENT_SCOPE)
  endif()
endfunction()

# Why NAME (a target) is test-only, or empty.
function(_ombrix_test_only_reason target out)
  set(reasons "")
  string(TOLOWER "${target}" lower)
  if(lower MATCHES "${OMBRIX_TEST_ONLY_NAME_REGEX}")
    list(APPEND reasons "its name marks a test-only target")
  endif()
  get_target_property(source_dir ${target} SOURCE_DIR)
  if(source_dir)
    file(RELATIVE_PATH relative ${PROJECT_SOURCE_DIR} ${source_dir})
    if(relative MATCHES "^testbed(/|$)")
      list(APPEND reasons "it is defined under ${relative}/")
    endif()
  endif()
  # Sources compiled straight in from testbed/ count as much as a library from there.
  foreach(property SOURCES INTERFACE_SOURCES)
    get_target_property(sources ${target} ${property})
    if(NOT sources)
      continue()
    endif()
    foreach(source IN LISTS sources)
      if(NOT IS_ABSOLUTE "${source}" AND source_dir)
        set(source ${source_dir}/${source})
      endif()
      if(source MATCHES "^${PROJECT_SOURCE_DIR}/testbed/")
        list(APPEND reasons "it compiles ${source}")
        break()
      endif()
    endforeach()
  endforeach()
  list(JOIN reasons "; " reason)
  set(${out} "${reason}" PARENT_SCOPE)
endfunction()

# ombrix_check_link_closure(TARGET...): walks LINK_LIBRARIES and INTERFACE_LINK_LIBRARIES of each TARGET
# recursively and fails the configure step on the first test-only target, or on a TARGET that is not
# defined, with the chain that brought it in. Registers the ctest entry that checks the generated build.
function(ombrix_check_link_closure)
  set(problems "")
  foreach(deliverable IN LISTS ARGN)
    if(NOT TARGET ${deliverable})
      string(APPEND problems "\n  ${deliverable}: not defined, so its closure cannot be checked")
      continue()
    endif()
    set(queue ${deliverable})
    set(seen ${deliverable})
    set(chain_${deliverable} ${deliverable})
    while(queue)
      list(POP_FRONT queue target)
      get_target_property(aliased ${target} ALIASED_TARGET)
      if(aliased)
        set(real ${aliased})
      else()
        set(real ${target})
      endif()
      _ombrix_test_only_reason(${real} reason)
      if(NOT reason STREQUAL "")
        string(REPLACE ";" " -> " chain "${chain_${target}}")
        string(APPEND problems "\n  ${chain}: ${real} is test-only (${reason})")
        continue()
      endif()
      get_target_property(type ${real} TYPE)
      set(links "")
      if(NOT type STREQUAL "INTERFACE_LIBRARY")
        get_target_property(direct ${real} LINK_LIBRARIES)
        if(direct)
          list(APPEND links ${direct})
        endif()
      endif()
      get_target_property(interface ${real} INTERFACE_LINK_LIBRARIES)
      if(interface)
        list(APPEND links ${interface})
      endif()
      foreach(item IN LISTS links)
        _ombrix_closure_items("${item}" names)
        foreach(name IN LISTS names)
          if(TARGET ${name})
            if(NOT name IN_LIST seen)
              list(APPEND seen ${name})
              list(APPEND queue ${name})
              set(chain_${name} ${chain_${target}} ${name})
            endif()
          else()
            # A plain library or a file: test-only by name, or by lying in the test bed's trees.
            string(TOLOWER "${name}" lower)
            get_filename_component(file_name "${lower}" NAME)
            if(file_name MATCHES "${OMBRIX_TEST_ONLY_NAME_REGEX}" OR
               name MATCHES "^(${PROJECT_SOURCE_DIR}|${PROJECT_BINARY_DIR})/testbed/")
              string(REPLACE ";" " -> " chain "${chain_${target}}")
              string(APPEND problems "\n  ${chain}: links ${name}, a test-only library")
            endif()
          endif()
        endforeach()
      endforeach()
    endwhile()
  endforeach()
  if(problems)
    message(FATAL_ERROR "A deliverable's link closure holds test-only targets:${problems}\n"
      "Deliverables link only product code; stand-ins, fakes and test libraries stay with the tests.")
  endif()

  # The same check on what was generated. The code model is written at the end of a configure step that
  # finds the query already there; the check configures the tree once more when it finds no reply.
  file(WRITE ${CMAKE_BINARY_DIR}/.cmake/api/v1/query/client-ombrix/codemodel-v2 "")
  add_test(NAME deliverable_link_closure
    COMMAND ${CMAKE_COMMAND} -DOMBRIX_SOURCE_DIR=${PROJECT_SOURCE_DIR} -DOMBRIX_BUILD_DIR=${CMAKE_BINARY_DIR}
      "-DOMBRIX_DELIVERABLES=${ARGN}" "-DOMBRIX_TEST_ONLY_NAME_REGEX=${OMBRIX_TEST_ONLY_NAME_REGEX}"
      -P ${OMBRIX_LINK_CLOSURE_SCRIPT})
endfunction()
