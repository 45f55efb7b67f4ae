; Volmara's conventional MBR boot program, written to a disk that received a copy of a system disk:
; relocates to 0000:0600, finds the active entry, loads its boot sector with the INT 13h extensions
; when the BIOS has them and with a CHS read otherwise, and jumps to it with SI on the entry.
; Assembled with: nasm -f bin -o ClassicBootProgram.bin ClassicBootProgram.asm  (446 bytes at most)

bits 16
org 0x0600

TABLE   equ 0x07BE
LOADED  equ 0x7C00

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
    mov [drive], dl
    mov si, TABLE
    mov cx, 4
.scan:
    cmp byte [si], 0x80
    je .found
    cmp byte [si], 0
    jne invalid
    add si, 16
    loop .scan
    int 0x18
    jmp halt
.found:
    ; Every entry after the active one must be inactive.
    mov bp, si
.rest:
    add si, 16
    dec cx
    jz load
    cmp byte [si], 0
    jne invalid
    jmp .rest

load:
    mov di, 5
.try:
    mov dl, [drive]
    mov ah, 0x41
    mov bx, 0x55AA
    int 0x13
    jc .chs
    cmp bx, 0xAA55
    jne .chs
    test cl, 1
    jz .chs
    mov eax, [bp + 8]
    mov [dap + 8], eax
    mov si, dap
    mov ah, 0x42
    mov dl, [drive]
    int 0x13
    jnc .loaded
    jmp .retry
.chs:
    mov dh, [bp + 1]        ; head
    mov cx, [bp + 2]        ; sector and cylinder
    mov bx, LOADED
    mov ax, 0x0201
    mov dl, [drive]
    int 0x13
    jnc .loaded
.retry:
    xor ah, ah
    mov dl, [drive]
    int 0x13
    dec di
    jnz .try
    mov si, loadError
    jmp print
.loaded:
    cmp word [LOADED + 510], 0xAA55
    je .boot
    mov si, missing
    jmp print
.boot:
    mov si, bp
    mov dl, [drive]
    jmp 0:LOADED

invalid:
    mov si, badTable
print:
    lodsb
    test al, al
    jz halt
    mov ah, 0x0E
    mov bx, 0x0007
    int 0x10
    jmp print

halt:
    cli
    hlt
    jmp halt

drive:
    db 0x80
dap:
    db 0x10, 0
    dw 1
    dw LOADED, 0
    dq 0
badTable:
    db "Invalid partition table", 0
loadError:
    db "Error loading operating system", 0
missing:
    db "Missing operating system", 0

    times 446 - ($ - $$) db 0
