// SPDX-License-Identifier: GPL-2.0
/*
 * The device lab's NOR flash: the Malta board's 4 MiB CFI flash at 0x1e000000
 * as a "physmap-flash" device with the board's three partitions, so that
 * /dev/mtd1 is a writable bootloader partition on real flash.
 *
 * Bank width 1 and a write buffer of one byte make every byte its own program
 * operation: the emulator, which stores whole bus words, never sees padding
 * for a neighbour, and a watchpoint on a byte's address stops a write just
 * before that byte. Programming only clears bits, as on a real part: each
 * write programs old & new.
 */
#include <linux/module.h>
#include <linux/mtd/cfi.h>
#include <linux/mtd/map.h>
#include <linux/mtd/mtd.h>
#include <linux/mtd/partitions.h>
#include <linux/mtd/physmap.h>
#include <linux/mutex.h>
#include <linux/platform_device.h>
#include <linux/slab.h>

static struct mtd_partition parts[] = {
    {.name = "lab-boot", .offset = 0, .size = 0x100000, .mask_flags = MTD_WRITEABLE},
    {.name = "lab-bootloader", .offset = 0x100000, .size = 0x2e0000},
    {.name = "lab-tail", .offset = 0x3e0000, .size = 0x20000, .mask_flags = MTD_WRITEABLE},
};
static struct physmap_flash_data data = {
    .width = 1,
    .probe_type = "cfi_probe",
    .parts = parts,
    .nr_parts = ARRAY_SIZE(parts),
};
static struct resource window = DEFINE_RES_MEM(0x1e000000, 0x400000);

static struct platform_device *device;
static struct mtd_info *chip;
static struct cfi_private *cfi;
static uint16_t buffer_size;
static int (*program)(struct mtd_info *, loff_t, size_t, size_t *, const u_char *);
static DEFINE_MUTEX(programming);

static int program_and(struct mtd_info *mtd, loff_t to, size_t len, size_t *retlen, const u_char *buf) {
  u_char *bits = kmalloc(len, GFP_KERNEL);
  size_t got, i;
  int ret;

  if (!bits) return -ENOMEM;
  mutex_lock(&programming);
  ret = mtd->_read(mtd, to, len, &got, bits);
  if (!ret && got != len) ret = -EIO;
  if (!ret) {
    for (i = 0; i < len; i++) bits[i] &= buf[i];
    ret = program(mtd, to, len, retlen, bits);
  }
  mutex_unlock(&programming);
  kfree(bits);
  return ret;
}

static int __init lab_flash_init(void) {
  struct mtd_info *part;

  device = platform_device_register_resndata(NULL, "physmap-flash", 0, &window, 1, &data, sizeof(data));
  if (IS_ERR(device)) return PTR_ERR(device);
  part = get_mtd_device_nm("lab-bootloader");
  if (IS_ERR(part)) {
    platform_device_unregister(device);
    return PTR_ERR(part);
  }
  chip = mtd_get_master(part);
  put_mtd_device(part);
  cfi = ((struct map_info *)chip->priv)->fldrv_priv;
  buffer_size = cfi->cfiq->MaxBufWriteSize;
  cfi->cfiq->MaxBufWriteSize = 0; /* 1 << 0 bytes */
  program = chip->_write;
  chip->_write = program_and;
  return 0;
}

static void __exit lab_flash_exit(void) {
  chip->_write = program;
  cfi->cfiq->MaxBufWriteSize = buffer_size;
  platform_device_unregister(device);
}

module_init(lab_flash_init);
module_exit(lab_flash_exit);
MODULE_DESCRIPTION("The device lab's NOR flash with the board's partitions");
MODULE_LICENSE("GPL");
