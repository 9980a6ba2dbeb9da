# Writes the sample catalog with each package's size and FileChecksum (the
# first 8 bytes of its MD5 digest in upper-case hexadecimal).
#   cmake -DTEMPLATE=... -DOUTPUT=... -DPACKAGES="a.exe;b.exe" -P make_catalog.cmake
# A package zg-kb500101.exe fills @SIZE_KB500101@ and @CHECK_KB500101@.
foreach(package IN LISTS PACKAGES)
  get_filename_component(name "${package}" NAME_WE)
  string(REGEX REPLACE "^zg-" "" id "${name}")
  string(TOUPPER "${id}" id)
  file(MD5 "${package}" digest)
  string(SUBSTRING "${digest}" 0 16 check)
  string(TOUPPER "${check}" CHECK_${id})
  file(SIZE "${package}" SIZE_${id})
endforeach()
configure_file("${TEMPLATE}" "${OUTPUT}" @ONLY)
file(READ "${OUTPUT}" written)
if(written MATCHES "@[A-Z_0-9]+@" OR written MATCHES "(CheckValue|Size)=\"\"")
  message(FATAL_ERROR "make_catalog: a package named in ${TEMPLATE} was not built")
endif()
