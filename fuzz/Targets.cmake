# The fuzz targets: each is <name>.cpp in this folder, defining LLVMFuzzerTestOneInput.
set(TAMBRIX_FUZZ_TARGETS iff_read objects graphics far folder_list library_folders iff_write legacy_iff_write object_edit png)
