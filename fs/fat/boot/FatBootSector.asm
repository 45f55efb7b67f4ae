; Volmara's FAT boot sector templates. The format patches the geometry, sizes, serial number and label;
; every other value here reaches the disk. The boot code tells the user that the volume has no
; operating system loader and halts.
;   nasm -f bin -DFAT12 | -DFAT16 | -DFAT32 | -DFAT32_SECOND
bits 16
org 0x7C00

%ifdef FAT32_SECOND
; The second boot-code sector of FAT32: nothing runs here, it only carries the signature.
    times 510 db 0
    dw 0xAA55
%else

%ifdef FAT32
    jmp short code
    nop
    db "MSWIN4.1"
%else
    jmp short code
    nop
    db "MSDOS5.0"
%endif
    dw 512              ; 0x0B bytes per sector
    db 0                ; 0x0D sectors per cluster
%ifdef FAT32
    dw 32               ; 0x0E reserved sectors
%else
    dw 2
%endif
    db 2                ; 0x10 number of FATs
%ifdef FAT32
    dw 0                ; 0x11 root directory entries
%else
    dw 512
%endif
    dw 0                ; 0x13 total sectors (16-bit)
    db 0xF8             ; 0x15 media descriptor
    dw 0                ; 0x16 sectors per FAT (16-bit)
    dw 63               ; 0x18 sectors per track
    dw 255              ; 0x1A heads
    dd 0                ; 0x1C hidden sectors
    dd 0                ; 0x20 total sectors (32-bit)
%ifdef FAT32
    dd 0                ; 0x24 sectors per FAT
    dw 0                ; 0x28 extended flags
    dw 0                ; 0x2A version
    dd 2                ; 0x2C root directory cluster
    dw 1                ; 0x30 FSInfo sector
    dw 6                ; 0x32 backup boot sector
    times 12 db 0       ; 0x34
%endif
    db 0x80             ; drive number
    db 0
    db 0x29             ; extended boot signature
    dd 0                ; serial number
    db "NO NAME    "    ; label
%ifdef FAT12
    db "FAT12   "
%elifdef FAT16
    db "FAT16   "
%else
    db "FAT32   "
%endif

code:
    cli
    xor ax, ax
    mov ds, ax
    mov ss, ax
    mov sp, 0x7C00
    sti
    cld
    mov si, message
.print:
    lodsb
    test al, al
    jz .halt
    mov ah, 0x0E
    mov bx, 0x0007
    int 0x10
    jmp .print
.halt:
    cli
    hlt
    jmp .halt

message:
    db "This volume has no operating system loader.", 13, 10
    db "Remove it and restart the computer.", 13, 10, 0

    times 510 - ($ - $$) db 0
    dw 0xAA55
%endif
