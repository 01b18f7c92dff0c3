// 74HC00: quad 2-input NAND gate, DIP14. Behavioural model from the part's function table:
// Y = not (A and B) for each of the four gates; the outputs are unknown without supply.
module hc00 (
    input  A1, B1, A2, B2, A3, B3, A4, B4,
    output Y1, Y2, Y3, Y4,
    input  VCC, GND
);
    wire powered = VCC === 1'b1 && GND === 1'b0;
    assign Y1 = powered ? ~(A1 & B1) : 1'bx;
    assign Y2 = powered ? ~(A2 & B2) : 1'bx;
    assign Y3 = powered ? ~(A3 & B3) : 1'bx;
    assign Y4 = powered ? ~(A4 & B4) : 1'bx;
endmodule
