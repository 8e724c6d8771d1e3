# The main job on Windows: rs-host.exe runs the simulated camera for two
# seconds with a JSON summary and PNG snapshots, and each is checked: the
# source delivered, the colour snapshot has the asked size, the depth one the
# camera's. Run as
#   cmake -DEMULATOR=<command|args> -DRS_HOST=<rs-host.exe> -DOUT=<folder> -P main_job.cmake
cmake_minimum_required(VERSION 3.25)
string(REPLACE "|" ";" emulator "${EMULATOR}")
file(REMOVE_RECURSE ${OUT})
file(MAKE_DIRECTORY ${OUT})
# Wine sees the Linux file system as drive Z:.
execute_process(
  COMMAND ${emulator} ${RS_HOST} --seconds 2 --json Z:${OUT}/summary.json --snapshot Z:${OUT}/shots
          "realsense://?c_width=640&c_height=480&c_fps=30"
  OUTPUT_VARIABLE output ERROR_VARIABLE output RESULT_VARIABLE status)
message(STATUS "${output}")
if(NOT status EQUAL 0)
  message(FATAL_ERROR "rs-host.exe ended with ${status}")
endif()

file(READ ${OUT}/summary.json summary)
string(JSON packets GET "${summary}" sources 0 packets)
string(JSON started GET "${summary}" sources 0 started)
if(NOT started OR packets LESS 30)
  message(FATAL_ERROR "started ${started}, ${packets} packets in 2 s")
endif()

# A PNG file: its signature, then the IHDR chunk with width and height.
function(expect_png path width height)
  file(READ ${path} head LIMIT 24 HEX)
  string(SUBSTRING "${head}" 0 16 signature)
  string(SUBSTRING "${head}" 32 8 w)
  string(SUBSTRING "${head}" 40 8 h)
  math(EXPR w "0x${w}")
  math(EXPR h "0x${h}")
  if(NOT signature STREQUAL "89504e470d0a1a0a" OR NOT w EQUAL width OR NOT h EQUAL height)
    message(FATAL_ERROR "${path}: signature ${signature}, ${w}x${h}, expected a PNG of ${width}x${height}")
  endif()
endfunction()
expect_png(${OUT}/shots/cam0_color.png 640 480)
expect_png(${OUT}/shots/cam0_depth.png 848 480)
message(STATUS "${packets} packets; snapshots 640x480 and 848x480")
