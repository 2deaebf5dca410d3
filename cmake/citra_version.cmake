# The version, in one place: project(VERSION) and, in a git checkout, the
# short revision at configure time, written into the generated header
# citra_version.h that the tool and the Python module include through the
# interface target citra_version. A commit or a checkout of another branch
# configures again, so the revision follows HEAD.
set(CITRA_GIT_REVISION "")
if(EXISTS ${PROJECT_SOURCE_DIR}/.git)
  find_package(Git QUIET)
  if(GIT_FOUND)
    execute_process(COMMAND ${GIT_EXECUTABLE} -C ${PROJECT_SOURCE_DIR} rev-parse --short HEAD
                    OUTPUT_VARIABLE CITRA_GIT_REVISION OUTPUT_STRIP_TRAILING_WHITESPACE
                    RESULT_VARIABLE citra_git_result ERROR_QUIET)
    if(NOT citra_git_result EQUAL 0)
      set(CITRA_GIT_REVISION "")
    endif()
  endif()
  if(IS_DIRECTORY ${PROJECT_SOURCE_DIR}/.git)
    set(citra_git_watch ${PROJECT_SOURCE_DIR}/.git/HEAD)
    file(READ ${PROJECT_SOURCE_DIR}/.git/HEAD citra_git_head)
    if(citra_git_head MATCHES "^ref: ([^\n]+)")
      list(APPEND citra_git_watch ${PROJECT_SOURCE_DIR}/.git/${CMAKE_MATCH_1})
    endif()
    foreach(watched ${citra_git_watch})
      if(EXISTS ${watched})
        set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${watched})
      endif()
    endforeach()
  endif()
endif()
configure_file(${CMAKE_CURRENT_LIST_DIR}/citra_version.h.in ${PROJECT_BINARY_DIR}/generated/citra_version.h @ONLY)
add_library(citra_version INTERFACE)
target_include_directories(citra_version INTERFACE ${PROJECT_BINARY_DIR}/generated)
