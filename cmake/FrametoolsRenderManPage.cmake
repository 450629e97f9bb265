# Run as a script at build time: makes the installed form of one manual page.
#   cmake -DFORMAT=gzip -DTOOL=<gzip> -DIN=<page.1> -DOUT=<page.1.gz> -P FrametoolsRenderManPage.cmake
#   cmake -DFORMAT=text -DTOOL=<groff> -DIN=<page.1> -DOUT=<page.txt> -P FrametoolsRenderManPage.cmake
# gzip: compressed as Debian's policy asks, without name or time stamp so that
# every build gives the same bytes. text: rendered by groff at 80 columns as
# plain ASCII (no overstriking, no escapes) for systems without man.
if(FORMAT STREQUAL "gzip")
  set(command "${TOOL}" -9 -n -c "${IN}")
elseif(FORMAT STREQUAL "text")
  set(command "${TOOL}" -man -Tascii -P-cbu -rLL=80n "${IN}")
else()
  message(FATAL_ERROR "FORMAT must be gzip or text, not '${FORMAT}'")
endif()
execute_process(COMMAND ${command} OUTPUT_FILE "${OUT}.part" RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  file(REMOVE "${OUT}.part")
  message(FATAL_ERROR "${IN}: ${command} failed: ${status}")
endif()
file(RENAME "${OUT}.part" "${OUT}")
