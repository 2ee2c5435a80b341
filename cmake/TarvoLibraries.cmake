# The values, packages and defaults the program's libraries are built with, by the main build and
# by the fuzz build (fuzz/CMakeLists.txt) alike: a library's CMakeLists.txt may rely on all of it.
get_filename_component(tarvo_root ${CMAKE_CURRENT_LIST_DIR}/.. ABSOLUTE)

# The release and build of both deliverables, in one place: CompanionVersion is configured from
# them, and the build writes them into each deliverable's bundle-info.json.
set(TARVO_VERSION "0.1.0")
set(TARVO_BUILD 114)

# Deployment values. None is invented here: each stays empty unless the build is given it, and
# the program then does without (no update checks, no extension origin, no store links).
set(TARVO_FEED_URL "" CACHE STRING "Address of the update feed (a JSON document, its signature at the same address + .sig)")
set(TARVO_PUBLIC_ED_KEY "" CACHE STRING "Base64 of the 32-byte Ed25519 public key that signs the update feed")
set(TARVO_EXTENSION_ORIGIN "" CACHE STRING "The browser extension's origin allowed to start the handler, such as chrome-extension://<id>/")
set(TARVO_CHROME_LINK "" CACHE STRING "Address of the browser extension's store page")
set(TARVO_SAFARI_LINK "" CACHE STRING "Address of the Mac application's download page")

include(${CMAKE_CURRENT_LIST_DIR}/BundleInfo.cmake)

find_package(PkgConfig REQUIRED)
find_package(Threads REQUIRED)
find_package(fmt REQUIRED)
find_package(nlohmann_json REQUIRED)
find_package(OpenSSL REQUIRED)
find_package(CURL REQUIRED)
pkg_check_modules(SQLITE3 REQUIRED IMPORTED_TARGET sqlite3)
pkg_check_modules(ICU REQUIRED IMPORTED_TARGET icu-uc icu-i18n)

# Our own targets build with warnings on; third-party headers are system headers.
function(tarvo_target_defaults target)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
  if(TARVO_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
  target_include_directories(${target} PUBLIC ${tarvo_root})
endfunction()
