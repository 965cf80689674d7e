# Lays out the program directory around the executable, in the build tree and on install.
set(VELTRANO_IMAGES
    ${CMAKE_BINARY_DIR}/images/veltrano.bmp
    ${CMAKE_BINARY_DIR}/images/iconvel.ico
    ${CMAKE_BINARY_DIR}/images/info.bmp)
add_custom_command(
    OUTPUT ${VELTRANO_IMAGES}
    COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen $<TARGET_FILE:veltrano_artwork> ${CMAKE_BINARY_DIR}/images
    DEPENDS veltrano_artwork
    COMMENT "Painting the program's pictures")
add_custom_target(veltrano_images ALL DEPENDS ${VELTRANO_IMAGES})
add_dependencies(veltrano veltrano_images)

# A settings file the operator has edited is never replaced by a rebuild.
if(NOT EXISTS ${CMAKE_BINARY_DIR}/VELTRANO.ini)
    configure_file(${CMAKE_SOURCE_DIR}/config/VELTRANO.ini ${CMAKE_BINARY_DIR}/VELTRANO.ini COPYONLY)
endif()
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/DATABASE)

install(FILES ${VELTRANO_IMAGES} DESTINATION images)
install(FILES config/VELTRANO.ini DESTINATION .)
install(DIRECTORY DESTINATION DATABASE)
