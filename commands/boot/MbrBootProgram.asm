; Volmara's MBR boot program: relocates itself to 0000:0600, finds the one active primary partition,
; loads its first sector with the INT 13h extensions, refreshes the BIOS geometry in FAT32 and NTFS
; boot sectors, and jumps to it with SI pointing at the partition entry.
; Assembled with: nasm -f bin -o MbrBootProgram.bin MbrBootProgram.asm  (446 bytes at most)

bits 16
org 0x0600

TABLE   equ 0x07BE          ; partition table of the relocated sector
LOADED  equ 0x7C00          ; where the partition's boot sector is read to
DRIVE   equ 0x80

start:
    cli
    xor ax, ax
    mov ss, ax
    mov sp, LOADED
    mov ds, ax
    mov es, ax
    sti
    cld
    mov si, LOADED
    mov di, 0x0600
    mov cx, 256
    rep movsw
    jmp 0:relocated

relocated:
    ; The first entry marked 0x80 boots. Any other non-zero mark, or a second active entry, is an error.
    mov si, TABLE
    xor bx, bx
    mov cx, 4
.scan:
    mov al, [si]
    test al, al
    jz .next
    cmp al, 0x80
    jne error
    test bx, bx
    jnz error
    mov bx, si
.next:
    add si, 16
    loop .scan
    test bx, bx
    jnz found
    int 0x18                ; nothing to boot: let the BIOS try something else
    jmp halt

found:
    mov bp, bx
    mov eax, [bp + 8]       ; starting LBA of the entry
    mov [dap + 8], eax
    mov di, 5               ; attempts
.read:
    mov si, dap
    mov ah, 0x42
    mov dl, DRIVE
    int 0x13
    jnc .loaded
    xor ah, ah              ; reset the disk and try again
    mov dl, DRIVE
    int 0x13
    dec di
    jnz .read
    jmp error
.loaded:
    cmp word [LOADED + 510], 0xAA55
    jne error
    cmp word [LOADED + 0x52], 'FA'
    jne .ntfs
    cmp byte [LOADED + 0x54], 'T'
    je .geometry
.ntfs:
    cmp word [LOADED + 3], 'NT'
    jne boot
    cmp word [LOADED + 5], 'FS'
    jne boot
.geometry:
    ; The loader in a FAT32 or NTFS boot sector trusts its heads and sectors per track.
    mov ah, 0x08
    mov dl, DRIVE
    xor di, di
    int 0x13
    push cs
    pop es
    jc boot
    xor ax, ax
    mov al, dh
    inc ax
    mov [LOADED + 0x1A], ax
    mov al, cl
    and ax, 0x3F
    mov [LOADED + 0x18], ax
    mov si, dap
    mov ax, 0x4300
    mov dl, DRIVE
    int 0x13

boot:
    mov si, bp
    mov dl, DRIVE
    jmp 0:LOADED

error:
    mov si, message
.print:
    lodsb
    test al, al
    jz halt
    mov ah, 0x0E
    mov bx, 0x0007
    int 0x10
    jmp .print

halt:
    cli
    hlt
    jmp halt

dap:
    db 0x10, 0              ; size, reserved
    dw 1                    ; sectors
    dw LOADED, 0            ; offset, segment
    dq 0                    ; LBA

message:
    db "Error!", 0
marker:
    db "4f1c7a2e-9b3d-4e6a-8c05-d27e61b9a3f0"

    times 446 - ($ - $$) db 0
