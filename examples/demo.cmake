# The demo: an example partition image, set_config on it with the example config,
# environment and calibration files, and show_config before and after.
# Run by: cmake --workflow --preset demo
foreach(variable SET_CONFIG SHOW_CONFIG MAKE_IMAGE EXAMPLES WORK)
  if(NOT ${variable})
    message(FATAL_ERROR "demo.cmake needs -D${variable}=...")
  endif()
endforeach()

function(step expected)
  string(REPLACE ";" " " shown "${ARGN}")
  message("\n$ ${shown}")
  execute_process(COMMAND ${ARGN} WORKING_DIRECTORY ${WORK} RESULT_VARIABLE status)
  if(NOT status EQUAL expected)
    message(FATAL_ERROR "exit status ${status}, expected ${expected}")
  endif()
endfunction()

file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
foreach(name config.txt environment.txt wlan_cal.bin dect_cal.bin)
  file(COPY ${EXAMPLES}/${name} DESTINATION ${WORK})
endforeach()

step(0 ${MAKE_IMAGE} partition.img)
step(0 ${SHOW_CONFIG} -u partition.img)
step(0 ${SET_CONFIG} -l -u partition.img -i config.txt -e environment.txt -w wlan_cal.bin -d dect_cal.bin)
step(0 ${SHOW_CONFIG} -u partition.img -w wlan_out.bin -d dect_out.bin)
# A second run refuses: the areas are in use now.
step(243 ${SET_CONFIG} -u partition.img -i config.txt -e environment.txt)

foreach(name wlan dect)
  file(SHA256 ${WORK}/${name}_cal.bin given)
  file(SHA256 ${WORK}/${name}_out.bin read_back)
  if(NOT given STREQUAL read_back)
    message(FATAL_ERROR "the ${name} payload read back differs from ${name}_cal.bin")
  endif()
endforeach()
message("\nThe calibration payloads read back equal the files given. Files in ${WORK}")
