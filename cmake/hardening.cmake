# Debian's hardening for optimised builds, as dpkg-buildflags gives it with
# hardening=+all: checked buffer functions, a stack protector, format
# checks, position-independent executables, and a read-only relocation table
# bound at start (relro, bindnow). Debug builds stay plain, as fortify needs
# the optimiser.
if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
  set(OPTIMISED "$<NOT:$<CONFIG:Debug>>")
  add_compile_options(
    "$<${OPTIMISED}:-U_FORTIFY_SOURCE;-D_FORTIFY_SOURCE=2>"
    -fstack-protector-strong -Wformat -Werror=format-security)
  set(CMAKE_POSITION_INDEPENDENT_CODE ON)
  include(CheckPIESupported)
  check_pie_supported()
  add_link_options(-Wl,-z,relro -Wl,-z,now)
endif()
