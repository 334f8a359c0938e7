# Product makefile lines for a device that carries the effect control
# libraries. Include this file from the device's device.mk, with VELTRA_DIR
# set to where this folder sits in the tree:
#   VELTRA_DIR := vendor/veltra
#   include $(VELTRA_DIR)/veltra.mk
VELTRA_DIR ?= vendor/veltra

# The modules of Android.bp: the library, its shim, the Java API and its JNI
# library (the last two only for apps built in this tree).
PRODUCT_PACKAGES += \
    libveltraeffectapi \
    libfxshim_Oreo \
    veltraeffectapi \
    libveltraeffect_jni

# The logging configuration, read by each library in the app's process at its
# first log record. /system/etc is readable from app domains; a copy under
# $(TARGET_COPY_OUT_VENDOR)/etc is read first but needs a policy rule.
PRODUCT_COPY_FILES += \
    $(VELTRA_DIR)/velt_conf.ini:$(TARGET_COPY_OUT_SYSTEM)/etc/velt_conf.ini

# Public libraries: an app's linker namespace sees a system library only when
# it is listed. Add these two lines to the device's
# /system/etc/public.libraries.txt (its source is the platform's list, which
# the device maker's tree owns; the shim's file name cannot carry the
# .COMPANY.so ending that extra lists require):
#   libveltraeffectapi.so
#   libfxshim_Oreo.so
